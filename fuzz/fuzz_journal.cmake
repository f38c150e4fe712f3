kvizor_add_fuzzer(fuzz_journal SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_journal.cpp LIBS kvizor_journal)
# Writes the seed corpus of fuzz_journal: make_journal_seeds fuzz/corpus/fuzz_journal
add_executable(make_journal_seeds ${CMAKE_CURRENT_LIST_DIR}/make_journal_seeds.cpp)
target_link_libraries(make_journal_seeds PRIVATE kvizor_journal)
kvizor_target_defaults(make_journal_seeds)
