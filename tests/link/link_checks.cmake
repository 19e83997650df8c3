# The import libraries' checks, run by ctest as cmake -P scripts, for MACHINE
# i386 (callers refer to the stdcall-decorated _Name@N) or i386:x86-64 (to
# Name). CHECK is one of:
#   decorations  the ZV symbols a C caller of zvlmn30e.h (OBJECT, read with
#                NM) refers to are exactly those of the table (DECORATED);
#   msvc_lib     ZVLMN30E.lib (LIB, with LLVM_NM and LLVM_READOBJ) holds each
#                export's symbol and __imp_ symbol in a code import member of
#                ZVLMN30E.DLL looked up by the undecorated name;
#   mingw_lib    libZVLMN30E.dll.a (LIB, with NM) holds both symbols of each;
#   run          EXE (or, with MSVC_MODE=ON, the program built with CLANG in
#                MSVC mode and LLD_LINK against LIB and KERNEL32) imports
#                exactly the 14 names from ZVLMN30E.DLL (OBJDUMP) and, run by
#                WINE_RUN with DLL beside it and no catalogue in SYSTEM_DIR,
#                prints "ZVGetFormListNum() = 1" and exits 0. With
#                ZV_LINK_NO_RUN=1 in the environment it is linked and read only.
# A missing tool skips the check: its output then begins with "SKIPPED:".
if(MACHINE STREQUAL "i386:x86-64")
  set(decorated_symbols FALSE)
  set(msvc_target x86_64-pc-windows-msvc)
  set(msvc_machine /machine:x64)
  set(symbol_regex "^ZV[A-Za-z0-9_]*$")
else()
  set(decorated_symbols TRUE)
  set(msvc_target i686-pc-windows-msvc)
  set(msvc_machine /machine:x86 /safeseh:no)
  set(symbol_regex "^_ZV[A-Za-z0-9_]*@[0-9]+$")
endif()

function(run_tool output_var)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${rc}):\n${out}${err}")
  endif()
  set(${output_var} "${out}" PARENT_SCOPE)
endfunction()

function(expect_same what actual expected)
  if(NOT "${actual}" STREQUAL "${expected}")
    message(FATAL_ERROR "${what}:\n  found    [${actual}]\n  expected [${expected}]")
  endif()
endfunction()

# Ends the script as skipped when a tool or the library is not there.
macro(skip_without)
  foreach(tool IN ITEMS ${ARGN})
    if(NOT ${tool} OR NOT EXISTS "${${tool}}")
      message("SKIPPED: ${tool} is not available (${${tool}})")
      return()
    endif()
  endforeach()
endmacro()

# The names in the lines of text matching line_regex, less prefix_regex, sorted.
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

function(undefined_zv_symbols nm object result_var)
  run_tool(out ${nm} -u ${object})
  names_in_lines("${out}" "U [^\n]*ZV[^\n]*" "^U " symbols)
  list(REMOVE_DUPLICATES symbols)
  set(${result_var} ${symbols} PARENT_SCOPE)
endfunction()

# The archive's defined ZV symbols against Symbol and __imp_Symbol of each export.
function(expect_lib_symbols nm lib)
  run_tool(out ${nm} --defined-only ${lib})
  names_in_lines("${out}" "[0-9a-fA-F]+ [A-Za-z] _*(imp_+)?_*ZV[A-Za-z0-9_@]*" "^[0-9a-fA-F]+ [A-Za-z] " symbols)
  set(expected "")
  foreach(symbol IN LISTS decorated)
    list(APPEND expected ${symbol} "__imp_${symbol}")
  endforeach()
  list(SORT expected)
  expect_same("symbols of ${lib}" "${symbols}" "${expected}")
endfunction()

# decorated: the table's symbols (_Name@N on x86, Name on x64); plain: the names.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/def_exports.cmake)
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

if(CHECK STREQUAL "decorations")
  undefined_zv_symbols(${NM} ${OBJECT} symbols)
  expect_same("symbols a caller of zvlmn30e.h refers to, against ${DECORATED}" "${symbols}" "${decorated}")
  message(STATUS "zvlmn30e.h and the decorated table agree on all 14 exports: ${symbols}")

elseif(CHECK STREQUAL "msvc_lib")
  skip_without(LLVM_NM LLVM_READOBJ LIB)
  expect_lib_symbols(${LLVM_NM} ${LIB})
  # One short import member per export, read as the linker reads it.
  run_tool(out ${LLVM_READOBJ} --coff-imports ${LIB})
  string(REPLACE ";" "," out "${out}")
  string(REPLACE "\nFile: " "\n;File: " members "${out}")
  set(seen "")
  foreach(member IN LISTS members)
    if(NOT member MATCHES "Format: COFF-import-file")
      continue()
    endif()
    string(REGEX MATCH "^File: ([^\n]*)\n" dll "${member}")
    string(TOUPPER "${CMAKE_MATCH_1}" dll)
    names_in_lines("${member}" "Symbol: [^\n]*" "^Symbol: " member_symbols)
    list(FILTER member_symbols EXCLUDE REGEX "^__imp_")
    set(symbol "${member_symbols}")
    names_in_lines("${member}" "Symbol: [^\n]*" "^Symbol: " member_symbols)
    if(NOT symbol MATCHES "${symbol_regex}")
      message(FATAL_ERROR "import member with symbols [${member_symbols}]")
    endif()
    expect_same("symbols of the import of ${symbol}" "${member_symbols}" "${symbol};__imp_${symbol}")
    if(NOT dll STREQUAL "ZVLMN30E.DLL")
      message(FATAL_ERROR "${symbol} is imported from ${dll}, not ZVLMN30E.DLL")
    endif()
    if(NOT member MATCHES "\nType: code\n")
      message(FATAL_ERROR "${symbol} is not imported as code:\n${member}")
    endif()
    # The loader looks the symbol up without _ and @N (x86), or as it stands (x64).
    if((decorated_symbols AND NOT member MATCHES "\nName type: undecorate\n")
       OR NOT member MATCHES "\nName type: (name|undecorate)\n")
      message(FATAL_ERROR "${symbol} would not be looked up undecorated:\n${member}")
    endif()
    list(APPEND seen ${symbol})
  endforeach()
  list(SORT seen)
  expect_same("exports imported by ${LIB}" "${seen}" "${decorated}")
  message(STATUS "${LIB} (${MACHINE}): both symbols of all 14 exports, looked up undecorated in ZVLMN30E.DLL")

elseif(CHECK STREQUAL "mingw_lib")
  expect_lib_symbols(${NM} ${LIB})
  message(STATUS "${LIB} (${MACHINE}): each export's symbol and __imp_ symbol for all 14 exports")

elseif(CHECK STREQUAL "run")
  if(MSVC_MODE)
    skip_without(CLANG LLD_LINK LLVM_NM KERNEL32 LIB)
    # No C runtime and no Windows headers: the program brings its own entry
    # point and declarations; kernel32 comes from mingw's import library.
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
  get_filename_component(exe_dir ${EXE} DIRECTORY)
  file(COPY_FILE ${DLL} ${exe_dir}/ZVLMN30E.DLL)  # beside the program, as a driver ships it

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

  # No catalogue in the prefix's system directory, before and after.
  set(catalogue_files ZVLMN3.DAT ZVLMN3.INI ZVL3.INI ZVLMN3.FLT ZVLMN3.GLT zvlmn3.dat zvlmn3.ini zvl3.ini
                      zvlmn3.flt zvlmn3.glt)
  list(TRANSFORM catalogue_files PREPEND ${SYSTEM_DIR}/)
  file(REMOVE ${catalogue_files})
  execute_process(COMMAND ${WINE_RUN} ${EXE} WORKING_DIRECTORY ${exe_dir} OUTPUT_VARIABLE out ERROR_VARIABLE err
                  RESULT_VARIABLE rc)
  file(REMOVE ${catalogue_files})
  message("${out}${err}")
  if(NOT rc EQUAL 0 OR NOT out MATCHES "ZVGetFormListNum\\(\\) = 1\n")
    message(FATAL_ERROR "${EXE} exited with ${rc} without reporting ZVGetFormListNum() = 1")
  endif()
  message(STATUS "${EXE}: linked through the import library, loaded ZVLMN30E.DLL, ZVGetFormListNum() = 1")

else()
  message(FATAL_ERROR "unknown CHECK '${CHECK}'")
endif()
