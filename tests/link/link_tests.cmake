# A driver's link against both import libraries: the decorated names against the header, both
# libraries' symbols and import names, a program linked against each and run under Wine. Labelled
# static: none has to execute the module's code (the runs can be told not to).
find_program(ZV_GNU_NM NAMES ${ZV_MINGW_TRIPLET}-nm REQUIRED)
find_program(ZV_GNU_OBJDUMP NAMES ${ZV_MINGW_TRIPLET}-objdump REQUIRED)
find_program(ZV_LLVM_NM NAMES llvm-nm llvm-nm-14)
find_program(ZV_LLVM_READOBJ NAMES llvm-readobj llvm-readobj-14)
find_program(ZV_CLANG NAMES clang clang-14)
find_program(ZV_LLD_LINK NAMES lld-link lld-link-14)
find_library(ZV_MINGW_KERNEL32 NAMES libkernel32.a kernel32)

set(ZV_LINK_CHECK -DDECORATED=${ZV_IMPORT_LIB_DIR}/ZVLMN30E.def -DMACHINE=${ZV_DLLTOOL_MACHINE})
set(ZV_LINK_RUN -DCHECK=run -DWINE_RUN=${CMAKE_BINARY_DIR}/wine-run.sh -DOBJDUMP=${ZV_GNU_OBJDUMP}
                -DSYSTEM_DIR=${CMAKE_BINARY_DIR}/wineprefix/drive_c/windows/system32 -DDLL=$<TARGET_FILE:ZVLMN30E>)

# The program compiled by mingw (its object shows what the header makes of the exports' names),
# linked with the import library by its path, never the DLL itself.
add_library(zv_link_test_objects OBJECT link/link_test.c)
target_include_directories(zv_link_test_objects PRIVATE ${CMAKE_SOURCE_DIR}/include)
add_executable(zv_link_test $<TARGET_OBJECTS:zv_link_test_objects>)
target_link_libraries(zv_link_test PRIVATE ${ZV_IMPORT_LIB_DIR}/libZVLMN30E.dll.a)
set_target_properties(zv_link_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/link/mingw
                      LINK_DEPENDS ${ZV_IMPORT_LIB_DIR}/libZVLMN30E.dll.a)
add_dependencies(zv_link_test ZVLMN30E_importlibs ZVLMN30E)

function(zv_link_check name)
  add_test(NAME ${ZV_BUILD_KIND}.${name} COMMAND ${CMAKE_COMMAND} ${ZV_LINK_CHECK} ${ARGN} -P
                                                 ${CMAKE_CURRENT_SOURCE_DIR}/link/link_checks.cmake)
  set_tests_properties(${ZV_BUILD_KIND}.${name} PROPERTIES LABELS static SKIP_REGULAR_EXPRESSION "SKIPPED:")
endfunction()
zv_link_check(export_decorations -DCHECK=decorations -DNM=${ZV_GNU_NM} -DOBJECT=$<TARGET_OBJECTS:zv_link_test_objects>)
zv_link_check(import_lib_mingw -DCHECK=mingw_lib -DNM=${ZV_GNU_NM} -DLIB=${ZV_IMPORT_LIB_DIR}/libZVLMN30E.dll.a)
zv_link_check(import_lib_msvc -DCHECK=msvc_lib -DLLVM_NM=${ZV_LLVM_NM} -DLLVM_READOBJ=${ZV_LLVM_READOBJ}
              -DLIB=${ZV_IMPORT_LIB_DIR}/ZVLMN30E.lib)
zv_link_check(link_test_mingw ${ZV_LINK_RUN} -DEXE=$<TARGET_FILE:zv_link_test>)
zv_link_check(link_test_msvc ${ZV_LINK_RUN} -DMSVC_MODE=ON -DCLANG=${ZV_CLANG} -DLLD_LINK=${ZV_LLD_LINK}
              -DLLVM_NM=${ZV_LLVM_NM} -DKERNEL32=${ZV_MINGW_KERNEL32} -DSOURCE=${CMAKE_CURRENT_SOURCE_DIR}/link/link_test.c
              -DINCLUDE_DIR=${CMAKE_SOURCE_DIR}/include -DLIB=${ZV_IMPORT_LIB_DIR}/ZVLMN30E.lib
              -DWORK_DIR=${CMAKE_BINARY_DIR}/link/msvc)
# The runs see the prefix's system directory without a catalogue.
set_tests_properties(${ZV_BUILD_KIND}.link_test_mingw ${ZV_BUILD_KIND}.link_test_msvc PROPERTIES
                     RESOURCE_LOCK system_dir)
