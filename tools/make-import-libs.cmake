# Makes the import libraries of ZVLMN30E.DLL from its .def file and the
# argument sizes of its exports, for MACHINE i386 (x86) or i386:x86-64 (x64):
#   OUT_DIR/ZVLMN30E.def       the exports as the callers' objects name them
#   OUT_DIR/libZVLMN30E.dll.a  for mingw (GNU dlltool)
#   OUT_DIR/ZVLMN30E.lib       for MSVC (llvm-dlltool; left out without it)
# On x86, callers compiled with zvlmn30e.h refer to _Name@N (stdcall); with
# kill-at both libraries resolve that symbol, and __imp__Name@N, to the
# undecorated export Name of the DLL. x64 has one calling convention and no
# decoration: callers refer to Name and __imp_Name.
# Usage: cmake -DDEF=... -DARGBYTES=... -DOUT_DIR=... -DGNU_DLLTOOL=... -DMACHINE=...
#              [-DLLVM_DLLTOOL=...] -P make-import-libs.cmake
if(NOT MACHINE)
  set(MACHINE i386)
endif()

# The names the .def file exports, in its order.
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/def_exports.cmake)
zv_def_exports(${DEF} names)
list(LENGTH names count)
if(count EQUAL 0)
  message(FATAL_ERROR "${DEF} exports nothing")
endif()

# The table of argument sizes: "Name N" lines, # for comments.
file(STRINGS ${ARGBYTES} table_lines)
set(table_names "")
foreach(line IN LISTS table_lines)
  string(STRIP "${line}" line)
  if(line STREQUAL "" OR line MATCHES "^#")
    continue()
  endif()
  if(NOT line MATCHES "^([A-Za-z_][A-Za-z0-9_]*)[ \t]+([0-9]+)$")
    message(FATAL_ERROR "${ARGBYTES}: cannot read '${line}'")
  endif()
  set(name ${CMAKE_MATCH_1})
  set(bytes ${CMAKE_MATCH_2})
  math(EXPR rest "${bytes} % 4")
  if(NOT rest EQUAL 0)
    message(FATAL_ERROR "${ARGBYTES}: ${name} takes ${bytes} bytes, not a multiple of 4")
  endif()
  if(DEFINED bytes_${name})
    message(FATAL_ERROR "${ARGBYTES}: ${name} is listed twice")
  endif()
  set(bytes_${name} ${bytes})
  list(APPEND table_names ${name})
endforeach()

set(sorted_names ${names})
set(sorted_table ${table_names})
list(SORT sorted_names)
list(SORT sorted_table)
if(NOT sorted_names STREQUAL sorted_table)
  message(FATAL_ERROR "${ARGBYTES} lists [${sorted_table}], ${DEF} exports [${sorted_names}]")
endif()

if(MACHINE STREQUAL "i386")
  set(decorated "; ZVLMN30E.DLL's exports with the stdcall decoration of their callers.\n")
else()
  set(decorated "; ZVLMN30E.DLL's exports as x64 callers name them (no decoration).\n")
endif()
string(APPEND decorated "; Made from ZVLMN30E.def and ZVLMN30E.argbytes: do not edit.\n")
string(APPEND decorated "LIBRARY ZVLMN30E.DLL\nEXPORTS\n")
foreach(name IN LISTS names)
  if(MACHINE STREQUAL "i386")
    string(APPEND decorated "  ${name}@${bytes_${name}}\n")
  else()
    string(APPEND decorated "  ${name}\n")
  endif()
endforeach()
file(MAKE_DIRECTORY ${OUT_DIR})
file(WRITE ${OUT_DIR}/ZVLMN30E.def "${decorated}")

# --kill-at: the DLL exports Name, not Name@N.
execute_process(COMMAND ${GNU_DLLTOOL} -m ${MACHINE} -k -d ${OUT_DIR}/ZVLMN30E.def -l ${OUT_DIR}/libZVLMN30E.dll.a
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${GNU_DLLTOOL} failed")
endif()

if(LLVM_DLLTOOL)
  # -k: the import name type "undecorate", so the loader looks up Name.
  execute_process(COMMAND ${LLVM_DLLTOOL} -m ${MACHINE} -k -d ${OUT_DIR}/ZVLMN30E.def -l ${OUT_DIR}/ZVLMN30E.lib
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${LLVM_DLLTOOL} failed")
  endif()
else()
  file(REMOVE ${OUT_DIR}/ZVLMN30E.lib)
  message(STATUS "llvm-dlltool not found: no ZVLMN30E.lib")
endif()
