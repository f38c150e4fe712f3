# From the confirming key to the next task painted, with and without pictures prepared ahead.
if(TARGET kvizor_ui)
  kvizor_add_bench(bench_task_switch SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_task_switch.cpp
    ${PROJECT_SOURCE_DIR}/tests/richtext/Samples.cpp LIBS kvizor_ui kvizor_model Qt6::Widgets Qt6::Test)
endif()
