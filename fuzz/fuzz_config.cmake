kvizor_add_fuzzer(fuzz_config SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_config.cpp LIBS kvizor_config)
