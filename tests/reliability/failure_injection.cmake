# Every failure point of every catalogue operation and export made to fail in turn, in every build.
zv_add_test(failure_injection_tests SOURCES reliability/failure_injection_test.cpp reliability/full_disk_test.cpp
            LIBS zvcat_lib LOCKS system_dir registry)
add_dependencies(failure_injection_tests ZVSAMPLE)
