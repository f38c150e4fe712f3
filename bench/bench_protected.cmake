kvizor_add_bench(bench_protected SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_protected.cpp LIBS kvizor_results)
