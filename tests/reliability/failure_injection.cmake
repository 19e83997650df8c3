# Every allocation, open, read, write, set-end and profile write of every
# catalogue operation and export made to fail in turn. The core is linked in,
# so the failure switches are reachable in every build, Wine included.
zv_add_test(failure_injection_tests
  SOURCES reliability/failure_injection_test.cpp reliability/failure_injection_table.cpp
  LOCKS system_dir registry)
target_compile_definitions(failure_injection_tests PRIVATE ZV_BUILD_KIND_NAME="${ZV_BUILD_KIND}")
add_dependencies(failure_injection_tests ZVSAMPLE)
