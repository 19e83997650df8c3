# Checks that the layers of the module point one way: no source file under
# src/ includes a header of a layer above its own. From the bottom:
#   platform, module, catalogue and driverlink, maintenance, driverapi and dialogs.
# Public headers (include/) and headers named without a directory may be
# included by anyone. Run as: cmake -DSOURCE_DIR=<src> -P include_layers.cmake
set(rank_platform 0)
set(rank_module 1)
set(rank_catalogue 2)
set(rank_driverlink 2)
set(rank_maintenance 3)
set(rank_driverapi 4)
set(rank_dialogs 4)

get_filename_component(SOURCE_DIR ${SOURCE_DIR} ABSOLUTE)
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp ${SOURCE_DIR}/*.inc
     ${SOURCE_DIR}/*.rc)
set(violations 0)
foreach(source IN LISTS sources)
  string(REGEX MATCH "^[^/]+" layer ${source})
  if(NOT DEFINED rank_${layer})
    message(SEND_ERROR "${source}: the directory ${layer} has no place among the layers")
    math(EXPR violations "${violations} + 1")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+/[^\"]+\"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[^\"]*\"([^/\"]+)/.*$" "\\1" target ${line})
    if(NOT DEFINED rank_${target})
      continue()  # a subdirectory of the file's own directory, or a public header
    endif()
    if(rank_${target} GREATER rank_${layer})
      message(SEND_ERROR "${source} (${layer}) includes a header of the layer above it: ${line}")
      math(EXPR violations "${violations} + 1")
    endif()
  endforeach()
endforeach()
list(LENGTH sources count)
if(violations GREATER 0)
  message(FATAL_ERROR "${violations} includes point up the layers")
endif()
message(STATUS "${count} source files, every include pointing down the layers or across one")
