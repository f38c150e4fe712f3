# Start-up to the first shown window, against a minimal Qt Widgets program, and opening
# the demo test.
if(TARGET kvizor_app)
  kvizor_add_bench(bench_startup_minimal SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_startup_minimal.cpp
    LIBS Qt6::Widgets)
  kvizor_add_bench(bench_startup SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_startup.cpp
    LIBS kvizor_app kvizor_ui kvizor_model Qt6::Widgets)
  target_link_options(bench_startup PRIVATE -Wl,--as-needed)
  target_link_options(bench_startup_minimal PRIVATE -Wl,--as-needed)
  target_compile_definitions(bench_startup PRIVATE
    KVIZOR_BENCH_MINIMAL="$<TARGET_FILE:bench_startup_minimal>"
    KVIZOR_DEMO_KVF="${PROJECT_BINARY_DIR}/examples/demo.kvf")
  add_dependencies(bench_startup bench_startup_minimal)
  if(TARGET demo)
    add_dependencies(bench_startup demo)
  endif()
endif()
