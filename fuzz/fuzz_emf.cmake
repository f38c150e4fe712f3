kvizor_add_fuzzer(fuzz_emf SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_emf.cpp LIBS kvizor_richtext Qt6::Gui)
