kvizor_add_fuzzer(fuzz_protected SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_protected.cpp LIBS kvizor_results ZLIB::ZLIB)
