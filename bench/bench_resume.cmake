kvizor_add_bench(bench_resume SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_resume.cpp LIBS kvizor_run)
# The silent view of the run tests.
target_include_directories(bench_resume PRIVATE ${PROJECT_SOURCE_DIR}/tests)
