kvizor_add_bench(bench_loader SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_loader.cpp LIBS kvizor_model)
