# Several processes writing one catalogue: forks natively, copies of the program under Wine.
zv_add_test(stress_tests SOURCES reliability/stress_test.cpp LOCKS system_dir registry)
