kvizor_add_fuzzer(fuzz_moodlexml SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_moodlexml.cpp
  LIBS kvizor_import kvizor_model Qt6::Gui)
