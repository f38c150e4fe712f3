kvizor_add_bench(bench_import SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_import.cpp LIBS kvizor_import kvizor_model Qt6::Gui)
