kvizor_add_bench(bench_scrambler SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_scrambler.cpp LIBS kvizor_model)
