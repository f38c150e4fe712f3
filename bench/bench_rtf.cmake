kvizor_add_bench(bench_rtf SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_rtf.cpp LIBS kvizor_richtext Qt6::Gui)
