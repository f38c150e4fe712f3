kvizor_add_bench(bench_resume SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_resume.cpp LIBS kvizor_run)
