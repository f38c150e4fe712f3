kvizor_add_fuzzer(fuzz_loader SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_loader.cpp LIBS kvizor_model)
# Writes the seed corpus of fuzz_loader: make_loader_seeds fuzz/corpus/fuzz_loader
add_executable(make_loader_seeds ${CMAKE_CURRENT_LIST_DIR}/make_loader_seeds.cpp)
target_link_libraries(make_loader_seeds PRIVATE kvizor_model)
kvizor_target_defaults(make_loader_seeds)
