kvizor_add_fuzzer(fuzz_nametemplate SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_nametemplate.cpp LIBS kvizor_run)
