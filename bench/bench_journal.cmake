kvizor_add_bench(bench_journal SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_journal.cpp LIBS kvizor_journal)
