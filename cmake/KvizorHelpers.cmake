# Shared build settings of every target of the project.

set(KVIZOR_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Wcast-align -Woverloaded-virtual -Wnull-dereference -Wimplicit-fallthrough)
if(KVIZOR_WERROR)
  list(APPEND KVIZOR_WARNINGS -Werror)
endif()

if(KVIZOR_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
if(KVIZOR_FUZZ)
  # Instrument every library for coverage; only fuzz executables link the fuzzer main.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

function(kvizor_target_defaults target)
  target_compile_options(${target} PRIVATE ${KVIZOR_WARNINGS})
  target_compile_definitions(${target} PRIVATE QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT QT_NO_KEYWORDS)
endfunction()

# kvizor_add_library(<name> SOURCES ... LIBS ...): one library per folder of src/.
function(kvizor_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  kvizor_target_defaults(${name})
endfunction()

# kvizor_add_module(<name> SOURCES ... LIBS ...): a shared module the program loads on first
# use (common/Module.h), built into the folder the run path of every program names and
# installed into the program's private library folder.
function(kvizor_add_module name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} MODULE ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  set_target_properties(${name} PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY ${KVIZOR_MODULE_BUILD_DIR}
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  kvizor_target_defaults(${name})
  install(TARGETS ${name} LIBRARY DESTINATION ${KVIZOR_MODULE_INSTALL_DIR})
endfunction()

# kvizor_add_test(<name> [RUNS_GIVEN_APART] SOURCES ... LIBS ...): one Qt Test executable
# registered with CTest. Its main (KVIZOR_TEST_MAIN, tests/support/TestEnvironment.h) gives
# it its own per-user folders, locale, time zone and offscreen windows, so it runs the same
# without CTest. With RUNS_GIVEN_APART the caller registers its runs with kvizor_add_test_run.
function(kvizor_add_test name)
  cmake_parse_arguments(ARG "RUNS_GIVEN_APART" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test kvizor_testenv ${ARG_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  kvizor_target_defaults(${name})
  if(NOT ARG_RUNS_GIVEN_APART)
    kvizor_add_test_run(${name} ${name})
  endif()
endfunction()

# kvizor_add_test_run(<test> <executable> [VAR=VALUE ...]): registers one more run of a test
# executable with the given variables, which the test's own surroundings then leave alone
# (KVIZOR_TEST_GIVEN names them).
function(kvizor_add_test_run test executable)
  add_test(NAME ${test} COMMAND ${executable})
  set(given "")
  foreach(assignment ${ARGN})
    string(REGEX REPLACE "=.*" "" variable "${assignment}")
    list(APPEND given ${variable})
  endforeach()
  list(JOIN given "," given)
  set(environment ${ARGN} "KVIZOR_TEST_GIVEN=${given}")
  set_tests_properties(${test} PROPERTIES ENVIRONMENT "${environment}" TIMEOUT 300)
endfunction()

# kvizor_add_fuzzer(<name> SOURCES ... LIBS ...): a libFuzzer target whose seed corpus
# lives in fuzz/corpus/<name>.
function(kvizor_add_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  kvizor_target_defaults(${name})
  set_property(GLOBAL APPEND PROPERTY KVIZOR_FUZZERS ${name})
endfunction()

# kvizor_add_bench(<name> SOURCES ... LIBS ...)
function(kvizor_add_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  kvizor_target_defaults(${name})
endfunction()

# Adds every listed sub-folder of the current folder that has a CMakeLists.txt, in the
# order given, so modules can land independently.
function(kvizor_add_subdirs)
  foreach(dir ${ARGN})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()
