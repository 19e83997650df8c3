# Several processes adding, changing and deleting forms on one catalogue.
# Natively the workers are forks of the test program; under Wine copies of
# it, started with a filter that runs only the worker's entry.
zv_add_test(stress_tests SOURCES reliability/stress_test.cpp LOCKS system_dir registry)
