# Helpers shared by every folder's CMakeLists.txt, and by the browser
# edition's project (web/CMakeLists.txt).

# The folders built alike for the desktop and the browser, lowest first. The
# desktop build adds its own ports between them (see CMakeLists.txt); the
# browser build adds platform/web.
set(ZELK_PORTABLE_DIRS
  services platform platform/virtual shell image media effects scenes programs)

# Adds every direct child folder of DIR that has a CMakeLists.txt.
function(zelk_add_children dir)
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_SOURCE_DIR}/${dir}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# zelk_unit_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2)
# A GoogleTest executable in build/tests whose cases ctest runs one by one.
function(zelk_unit_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ZELK_TEST_DIR})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS unit ENVIRONMENT "ZELK_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()

# zelk_e2e_test(NAME SCRIPT path.sh [TIMEOUT s])
# An end-to-end shell test run against the real binaries in its own Xvfb.
function(zelk_e2e_test name)
  cmake_parse_arguments(ARG "" "SCRIPT;TIMEOUT" "" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  add_test(NAME ${name} COMMAND bash ${ARG_SCRIPT})
  # One at a time: each runs real programs against the clock.
  set_tests_properties(${name} PROPERTIES LABELS e2e TIMEOUT ${ARG_TIMEOUT} RESOURCE_LOCK e2e
    ENVIRONMENT "ZELK_SOURCE_DIR=${CMAKE_SOURCE_DIR};ZELK_BIN_DIR=${ZELK_BIN_DIR};ZELK_TEST_DIR=${ZELK_TEST_DIR}")
endfunction()

# zelk_benchmark(NAME SOURCES ... LIBS ...): a Google Benchmark executable in build/bench.
function(zelk_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark benchmark::benchmark_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()

# zelk_fuzzer(NAME SOURCES ... LIBS ...): a libFuzzer target in build-fuzz/fuzz.
function(zelk_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endfunction()
