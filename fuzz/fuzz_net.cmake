kvizor_add_fuzzer(fuzz_net SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_net.cpp LIBS kvizor_net)
