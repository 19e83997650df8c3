# Every failure point of every catalogue operation and export made to fail in turn, in every build.
zv_add_test(failure_injection_tests SOURCES reliability/failure_injection_test.cpp reliability/full_disk_test.cpp
            LIBS zvcat_lib LOCKS system_dir registry)
add_dependencies(failure_injection_tests ZVSAMPLE)
if(WIN32)
  # The disk that fills up: drive S: of the prefix, a small tmpfs mounted around the tests that use it.
  add_test(NAME ${ZV_BUILD_KIND}.small_disk_mount
           COMMAND ${CMAKE_SOURCE_DIR}/tools/small-disk.sh mount ${CMAKE_BINARY_DIR})
  add_test(NAME ${ZV_BUILD_KIND}.small_disk_unmount
           COMMAND ${CMAKE_SOURCE_DIR}/tools/small-disk.sh unmount ${CMAKE_BINARY_DIR})
  set_tests_properties(${ZV_BUILD_KIND}.small_disk_mount PROPERTIES FIXTURES_SETUP small_disk)
  set_tests_properties(${ZV_BUILD_KIND}.small_disk_unmount PROPERTIES FIXTURES_CLEANUP small_disk)
  set_tests_properties(${ZV_BUILD_KIND}.failure_injection_tests PROPERTIES FIXTURES_REQUIRED small_disk
                       ENVIRONMENT "ZV_SMALL_DISK=S:\\")
endif()
