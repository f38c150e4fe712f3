kvizor_add_fuzzer(fuzz_handoff SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_handoff.cpp LIBS kvizor_platform)
