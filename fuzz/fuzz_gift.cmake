kvizor_add_fuzzer(fuzz_gift SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_gift.cpp LIBS kvizor_import kvizor_model Qt6::Gui)
