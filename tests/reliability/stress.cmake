# Several processes adding, changing and deleting forms on one catalogue.
zv_add_test(stress_tests
  SOURCES reliability/stress_regression_test.cpp
  LOCKS system_dir registry)
