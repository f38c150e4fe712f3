kvizor_add_fuzzer(fuzz_dib SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_dib.cpp LIBS kvizor_richtext Qt6::Gui)
