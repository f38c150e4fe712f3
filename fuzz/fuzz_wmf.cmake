kvizor_add_fuzzer(fuzz_wmf SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_wmf.cpp LIBS kvizor_richtext Qt6::Gui)
