kvizor_add_bench(bench_netreceive SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_netreceive.cpp
  LIBS kvizor_net Qt6::Network)
