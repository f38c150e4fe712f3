kvizor_add_fuzzer(fuzz_rtf SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_rtf.cpp LIBS kvizor_richtext Qt6::Gui)
