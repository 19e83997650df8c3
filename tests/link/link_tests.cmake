# A driver's link against the import libraries of lib/ (made with the module,
# see the top CMakeLists.txt): the table of decorated names against the
# header, the symbols and import names of both libraries, and a program that
# includes zvlmn30e.h, linked against each library and run under Wine with
# the module beside it. Included from tests/CMakeLists.txt in the Wine tree.
find_program(ZV_GNU_NM NAMES ${ZV_MINGW_TRIPLET}-nm REQUIRED)
find_program(ZV_GNU_OBJDUMP NAMES ${ZV_MINGW_TRIPLET}-objdump REQUIRED)
find_program(ZV_LLVM_NM NAMES llvm-nm llvm-nm-14)
find_program(ZV_LLVM_READOBJ NAMES llvm-readobj llvm-readobj-14)
find_program(ZV_CLANG NAMES clang clang-14)
find_program(ZV_LLD_LINK NAMES lld-link lld-link-14)
find_library(ZV_MINGW_KERNEL32 NAMES libkernel32.a kernel32)

set(ZV_LINK_CHECKS ${CMAKE_CURRENT_SOURCE_DIR}/link/link_checks.cmake)
set(ZV_LINK_COMMON -DDECORATED=${ZV_IMPORT_LIB_DIR}/ZVLMN30E.def -DMACHINE=${ZV_DLLTOOL_MACHINE})
set(ZV_LINK_RUN_ARGS -DWINE_RUN=${CMAKE_BINARY_DIR}/wine-run.sh -DOBJDUMP=${ZV_GNU_OBJDUMP}
                     -DSYSTEM_DIR=${CMAKE_BINARY_DIR}/wineprefix/drive_c/windows/system32)

# The program, compiled once by mingw: its object is also what the header
# makes of the exports' names.
add_library(zv_link_test_objects OBJECT link/link_test.c)
target_include_directories(zv_link_test_objects PRIVATE ${CMAKE_SOURCE_DIR}/include)
add_executable(zv_link_test $<TARGET_OBJECTS:zv_link_test_objects>)
# The import library by its path: never the DLL itself.
target_link_libraries(zv_link_test PRIVATE ${ZV_IMPORT_LIB_DIR}/libZVLMN30E.dll.a)
set_target_properties(zv_link_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/link/mingw
                      LINK_DEPENDS ${ZV_IMPORT_LIB_DIR}/libZVLMN30E.dll.a)
# The module it runs with is copied beside it when the test runs.
add_dependencies(zv_link_test ZVLMN30E_importlibs ZVLMN30E)

add_test(NAME ${ZV_BUILD_KIND}.export_decorations
         COMMAND ${CMAKE_COMMAND} -DCHECK=decorations ${ZV_LINK_COMMON} -DNM=${ZV_GNU_NM}
                 -DOBJECT=$<TARGET_OBJECTS:zv_link_test_objects> -P ${ZV_LINK_CHECKS})
add_test(NAME ${ZV_BUILD_KIND}.import_lib_mingw
         COMMAND ${CMAKE_COMMAND} -DCHECK=mingw_lib ${ZV_LINK_COMMON} -DNM=${ZV_GNU_NM}
                 -DLIB=${ZV_IMPORT_LIB_DIR}/libZVLMN30E.dll.a -P ${ZV_LINK_CHECKS})
add_test(NAME ${ZV_BUILD_KIND}.import_lib_msvc
         COMMAND ${CMAKE_COMMAND} -DCHECK=msvc_lib ${ZV_LINK_COMMON} -DLLVM_NM=${ZV_LLVM_NM}
                 -DLLVM_READOBJ=${ZV_LLVM_READOBJ} -DLIB=${ZV_IMPORT_LIB_DIR}/ZVLMN30E.lib -P ${ZV_LINK_CHECKS})
add_test(NAME ${ZV_BUILD_KIND}.link_test_mingw
         COMMAND ${CMAKE_COMMAND} -DCHECK=run ${ZV_LINK_COMMON} ${ZV_LINK_RUN_ARGS}
                 -DEXE=$<TARGET_FILE:zv_link_test> -DDLL=$<TARGET_FILE:ZVLMN30E> -P ${ZV_LINK_CHECKS})
add_test(NAME ${ZV_BUILD_KIND}.link_test_msvc
         COMMAND ${CMAKE_COMMAND} -DCHECK=run -DMSVC_MODE=ON ${ZV_LINK_COMMON} ${ZV_LINK_RUN_ARGS}
                 -DCLANG=${ZV_CLANG} -DLLD_LINK=${ZV_LLD_LINK} -DLLVM_NM=${ZV_LLVM_NM} -DKERNEL32=${ZV_MINGW_KERNEL32}
                 -DSOURCE=${CMAKE_CURRENT_SOURCE_DIR}/link/link_test.c -DINCLUDE_DIR=${CMAKE_SOURCE_DIR}/include
                 -DLIB=${ZV_IMPORT_LIB_DIR}/ZVLMN30E.lib -DDLL=$<TARGET_FILE:ZVLMN30E>
                 -DWORK_DIR=${CMAKE_BINARY_DIR}/link/msvc -P ${ZV_LINK_CHECKS})
set_tests_properties(${ZV_BUILD_KIND}.import_lib_msvc ${ZV_BUILD_KIND}.link_test_msvc PROPERTIES
                     SKIP_REGULAR_EXPRESSION "SKIPPED:")
# The runs see the prefix's system directory without a catalogue.
set_tests_properties(${ZV_BUILD_KIND}.link_test_mingw ${ZV_BUILD_KIND}.link_test_msvc PROPERTIES
                     RESOURCE_LOCK system_dir)
# None of these executes code of the module's bitness (the runs can be told
# not to): they are what is checked of a tree this machine cannot run.
set_tests_properties(${ZV_BUILD_KIND}.export_decorations ${ZV_BUILD_KIND}.import_lib_mingw
                     ${ZV_BUILD_KIND}.import_lib_msvc ${ZV_BUILD_KIND}.link_test_mingw
                     ${ZV_BUILD_KIND}.link_test_msvc PROPERTIES LABELS static)
