# The checks of the import libraries, run by ctest as cmake -P scripts, for
# MACHINE i386 (x86: callers refer to the stdcall-decorated _Name@N) or
# i386:x86-64 (x64: no decoration, callers refer to Name). "Symbol" below is
# the one or the other.
#   -DCHECK=decorations  the symbols a C caller compiled with zvlmn30e.h
#                        refers to (OBJECT, read with NM) are exactly the
#                        names of the table (DECORATED).
#   -DCHECK=msvc_lib     ZVLMN30E.lib (LIB) read with llvm-nm (LLVM_NM) and
#                        llvm-readobj (LLVM_READOBJ): for every export the
#                        symbols Symbol and __imp_Symbol, an import looked up
#                        by the undecorated name, code, and the DLL
#                        ZVLMN30E.DLL.
#   -DCHECK=mingw_lib    libZVLMN30E.dll.a (LIB) read with NM: Symbol and
#                        __imp_Symbol for every export.
#   -DCHECK=run          EXE (or, with MSVC_MODE=ON, the program compiled with
#                        CLANG in MSVC mode and linked with LLD_LINK against
#                        LIB and KERNEL32) must import exactly the undecorated
#                        names from ZVLMN30E.DLL (read with OBJDUMP) and, run
#                        with WINE_RUN with DLL copied beside it, where
#                        SYSTEM_DIR holds no catalogue, print
#                        "ZVGetFormListNum() = 1" and exit 0.
# With ZV_LINK_NO_RUN=1 in the environment (set by tools/run-tests.sh on a
# machine that cannot execute the program's bitness) the run check links and
# reads the program but does not start it, and says so.
# A tool that is not there skips the check: the output then begins with
# "SKIPPED:", which the test takes as skipped.
if(NOT MACHINE)
  set(MACHINE i386)
endif()
if(MACHINE STREQUAL "i386")
  set(decorated_symbols TRUE)
  set(msvc_target i686-pc-windows-msvc)
  set(msvc_machine /machine:x86 /safeseh:no)
else()
  set(decorated_symbols FALSE)
  set(msvc_target x86_64-pc-windows-msvc)
  set(msvc_machine /machine:x64)
endif()

# decorated: the table's symbols (_Name@N on x86, Name on x64); plain: the
# export names.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/def_exports.cmake)
function(read_decorated decorated_var plain_var)
  zv_def_exports(${DECORATED} entries)
  set(decorated "")
  set(plain "")
  foreach(entry IN LISTS entries)
    if(decorated_symbols AND entry MATCHES "^(.*)@([0-9]+)$")
      list(APPEND decorated "_${CMAKE_MATCH_1}@${CMAKE_MATCH_2}")
      list(APPEND plain "${CMAKE_MATCH_1}")
    elseif(NOT decorated_symbols AND entry MATCHES "^[A-Za-z_][A-Za-z0-9_]*$")
      list(APPEND decorated "${entry}")
      list(APPEND plain "${entry}")
    endif()
  endforeach()
  list(LENGTH plain count)
  if(NOT count EQUAL 14)
    message(FATAL_ERROR "${DECORATED} lists ${count} exports, the module has 14")
  endif()
  list(SORT decorated)
  list(SORT plain)
  set(${decorated_var} ${decorated} PARENT_SCOPE)
  set(${plain_var} ${plain} PARENT_SCOPE)
endfunction()

function(run_tool output_var)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${rc}):\n${out}${err}")
  endif()
  set(${output_var} "${out}" PARENT_SCOPE)
endfunction()

function(skip_without)
  foreach(tool IN LISTS ARGN)
    if(NOT ${tool} OR NOT EXISTS "${${tool}}")
      message("SKIPPED: ${tool} is not available (${${tool}})")
      set(skipped TRUE PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(skipped FALSE PARENT_SCOPE)
endfunction()

# The names in the lines of a tool's output that match line_regex, each
# without what prefix_regex matches at its start, sorted.
function(names_in_lines text line_regex prefix_regex result_var)
  string(REGEX MATCHALL "${line_regex}" lines "${text}")
  set(names "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "${prefix_regex}" "" name "${line}")
    string(STRIP "${name}" name)
    list(APPEND names ${name})
  endforeach()
  list(SORT names)
  set(${result_var} ${names} PARENT_SCOPE)
endfunction()

# The undefined ZV symbols of an object, as nm lists them.
function(undefined_zv_symbols nm object result_var)
  run_tool(out ${nm} -u ${object})
  names_in_lines("${out}" "U [^\n]*ZV[^\n]*" "^U " symbols)
  list(REMOVE_DUPLICATES symbols)
  set(${result_var} ${symbols} PARENT_SCOPE)
endfunction()

function(expect_same what actual expected)
  if(NOT "${actual}" STREQUAL "${expected}")
    message(FATAL_ERROR "${what}:\n  found    [${actual}]\n  expected [${expected}]")
  endif()
endfunction()

# Defined symbols of an archive whose names contain ZV.
function(defined_zv_symbols nm lib result_var)
  run_tool(out ${nm} --defined-only ${lib})
  string(REGEX MATCHALL "[0-9a-fA-F]+ [A-Za-z] _*(imp_+)?_*ZV[A-Za-z0-9_@]*" lines "${out}")
  set(symbols "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[0-9a-fA-F]+ [A-Za-z] " "" symbol "${line}")
    list(APPEND symbols ${symbol})
  endforeach()
  list(SORT symbols)
  set(${result_var} ${symbols} PARENT_SCOPE)
endfunction()

function(expected_lib_symbols decorated result_var)
  set(expected "")
  foreach(symbol IN LISTS decorated)
    list(APPEND expected ${symbol} "__imp_${symbol}")
  endforeach()
  list(SORT expected)
  set(${result_var} ${expected} PARENT_SCOPE)
endfunction()

read_decorated(decorated plain)

if(CHECK STREQUAL "decorations")
  undefined_zv_symbols(${NM} ${OBJECT} symbols)
  expect_same("symbols a caller compiled with zvlmn30e.h refers to, against ${DECORATED}" "${symbols}"
              "${decorated}")
  message(STATUS "zvlmn30e.h and the decorated table agree on all 14 exports: ${symbols}")

elseif(CHECK STREQUAL "msvc_lib")
  skip_without(LLVM_NM LLVM_READOBJ)
  if(skipped)
    return()
  endif()
  if(NOT EXISTS ${LIB})
    message("SKIPPED: ${LIB} was not made (no llvm-dlltool)")
    return()
  endif()
  defined_zv_symbols(${LLVM_NM} ${LIB} symbols)
  expected_lib_symbols("${decorated}" expected)
  expect_same("symbols of ${LIB}" "${symbols}" "${expected}")

  # One short import member per export, read back as the linker reads it.
  run_tool(out ${LLVM_READOBJ} --coff-imports ${LIB})
  string(REPLACE ";" "," out "${out}")
  string(REPLACE "\nFile: " "\n;File: " members "${out}")
  set(seen "")
  foreach(member IN LISTS members)
    if(NOT member MATCHES "Format: COFF-import-file")
      continue()
    endif()
    if(NOT member MATCHES "^File: ([^\n]*)\n")
      message(FATAL_ERROR "unreadable member:\n${member}")
    endif()
    string(TOUPPER "${CMAKE_MATCH_1}" dll)
    string(REGEX MATCHALL "Symbol: [^\n]*" member_symbols "${member}")
    string(REPLACE "Symbol: " "" member_symbols "${member_symbols}")
    list(SORT member_symbols)
    set(symbol "")
    foreach(s IN LISTS member_symbols)
      if(NOT s MATCHES "^__imp_")
        set(symbol ${s})
      endif()
    endforeach()
    if(decorated_symbols AND symbol MATCHES "^_(ZV[A-Za-z0-9_]*)@[0-9]+$")
      set(name ${CMAKE_MATCH_1})
    elseif(NOT decorated_symbols AND symbol MATCHES "^(ZV[A-Za-z0-9_]*)$")
      set(name ${CMAKE_MATCH_1})
    else()
      message(FATAL_ERROR "import member with symbols [${member_symbols}]")
    endif()
    expect_same("symbols of the import of ${name}" "${member_symbols}" "${symbol};__imp_${symbol}")
    if(NOT dll STREQUAL "ZVLMN30E.DLL")
      message(FATAL_ERROR "${symbol} is imported from ${dll}, not ZVLMN30E.DLL")
    endif()
    if(NOT member MATCHES "\nType: code\n")
      message(FATAL_ERROR "${symbol} is not imported as code:\n${member}")
    endif()
    # The loader looks up the symbol without its _ and @N (x86), or as it
    # stands (x64): the export Name either way.
    if(decorated_symbols AND NOT member MATCHES "\nName type: undecorate\n")
      message(FATAL_ERROR "${symbol} would not be looked up as ${name}:\n${member}")
    endif()
    if(NOT decorated_symbols AND NOT member MATCHES "\nName type: (name|undecorate)\n")
      message(FATAL_ERROR "${symbol} would not be looked up as ${name}:\n${member}")
    endif()
    list(APPEND seen ${symbol})
  endforeach()
  list(SORT seen)
  expect_same("exports imported by ${LIB}" "${seen}" "${decorated}")
  message(STATUS "${LIB} (${MACHINE}): ${symbol} and __imp_${symbol} and their like for all 14 exports, looked up undecorated in ZVLMN30E.DLL")

elseif(CHECK STREQUAL "mingw_lib")
  defined_zv_symbols(${NM} ${LIB} symbols)
  expected_lib_symbols("${decorated}" expected)
  expect_same("symbols of ${LIB}" "${symbols}" "${expected}")
  message(STATUS "${LIB} (${MACHINE}): each export's symbol and __imp_ symbol for all 14 exports")

elseif(CHECK STREQUAL "run")
  if(MSVC_MODE)
    skip_without(CLANG LLD_LINK LLVM_NM KERNEL32)
    if(skipped)
      return()
    endif()
    if(NOT EXISTS ${LIB})
      message("SKIPPED: ${LIB} was not made (no llvm-dlltool)")
      return()
    endif()
    # No C runtime and no Windows headers: the program brings its own entry
    # point and declarations, and kernel32 comes from mingw's import library.
    file(REMOVE_RECURSE ${WORK_DIR})
    file(MAKE_DIRECTORY ${WORK_DIR})
    run_tool(out ${CLANG} --target=${msvc_target} -ffreestanding -fno-builtin -O2 -Wall -Wextra -Werror
             -DZV_LINK_OWN_ENTRY -I${INCLUDE_DIR} -c ${SOURCE} -o ${WORK_DIR}/link_test.obj)
    undefined_zv_symbols(${LLVM_NM} ${WORK_DIR}/link_test.obj symbols)
    expect_same("symbols the MSVC-mode object refers to" "${symbols}" "${decorated}")
    run_tool(out ${LLD_LINK} /nologo ${msvc_machine} /subsystem:console /entry:ZvLinkTestEntry /nodefaultlib
             /out:${WORK_DIR}/link_test_msvc.exe ${WORK_DIR}/link_test.obj ${LIB} ${KERNEL32})
    set(EXE ${WORK_DIR}/link_test_msvc.exe)
  endif()
  # The module beside the program, as a driver ships it.
  get_filename_component(exe_dir ${EXE} DIRECTORY)
  file(COPY_FILE ${DLL} ${exe_dir}/ZVLMN30E.DLL)

  # What the program imports from the module: the 14 names, undecorated.
  run_tool(out ${OBJDUMP} -p ${EXE})
  string(TOUPPER "${out}" upper)
  string(FIND "${upper}" "DLL NAME: ZVLMN30E.DLL\n" start)
  if(start LESS 0)
    message(FATAL_ERROR "${EXE} imports nothing from ZVLMN30E.DLL:\n${out}")
  endif()
  string(SUBSTRING "${out}" ${start} -1 block)
  string(FIND "${block}" "\n\n" stop)
  string(SUBSTRING "${block}" 0 ${stop} block)
  names_in_lines("${block}" "\n\t[0-9a-fA-F]+[ \t]+[0-9]+[ \t]+[^\n]+" "^\n\t[0-9a-fA-F]+[ \t]+[0-9]+[ \t]+" imported)
  expect_same("names ${EXE} imports from ZVLMN30E.DLL" "${imported}" "${plain}")

  if("$ENV{ZV_LINK_NO_RUN}" STREQUAL "1")
    message(STATUS "${EXE}: linked through the import library and imports the 14 names; not run: this machine cannot execute ${MACHINE} code")
    return()
  endif()

  # No catalogue in the system directory of the prefix, before and after.
  set(catalogue_files ZVLMN3.DAT ZVLMN3.INI ZVL3.INI ZVLMN3.FLT ZVLMN3.GLT)
  foreach(name IN LISTS catalogue_files)
    string(TOLOWER ${name} lower)
    file(REMOVE ${SYSTEM_DIR}/${name} ${SYSTEM_DIR}/${lower})
  endforeach()
  execute_process(COMMAND ${WINE_RUN} ${EXE} WORKING_DIRECTORY ${exe_dir} OUTPUT_VARIABLE out ERROR_VARIABLE err
                  RESULT_VARIABLE rc)
  foreach(name IN LISTS catalogue_files)
    string(TOLOWER ${name} lower)
    file(REMOVE ${SYSTEM_DIR}/${name} ${SYSTEM_DIR}/${lower})
  endforeach()
  message("${out}${err}")
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${EXE} exited with ${rc}")
  endif()
  if(NOT out MATCHES "ZVGetFormListNum\\(\\) = 1\n")
    message(FATAL_ERROR "${EXE} did not report ZVGetFormListNum() = 1")
  endif()
  message(STATUS "${EXE}: linked through the import library, loaded ZVLMN30E.DLL, ZVGetFormListNum() = 1")

else()
  message(FATAL_ERROR "unknown CHECK '${CHECK}'")
endif()
