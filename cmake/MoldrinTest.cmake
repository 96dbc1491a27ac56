# One way to declare tests: moldrin_add_gtest / moldrin_add_qtest / moldrin_add_fuzz.
if(MOLDRIN_BUILD_TESTS)
  find_package(GTest REQUIRED)
endif()

# moldrin_add_gtest(NAME SOURCES ... LIBS ... [LABELS ...])
function(moldrin_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} moldrin_testsupport GTest::gtest GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS "core;${T_LABELS}"
    ENVIRONMENT "MOLDRIN_SOURCE_DIR=${PROJECT_SOURCE_DIR};QT_QPA_PLATFORM=offscreen")
endfunction()

# moldrin_add_qtest(NAME SOURCES ... LIBS ... [LABELS ...]): QtTest on the offscreen platform.
function(moldrin_add_qtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} moldrin_testsupport Qt6::Test)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS "gui;${T_LABELS}"
    ENVIRONMENT "MOLDRIN_SOURCE_DIR=${PROJECT_SOURCE_DIR};QT_QPA_PLATFORM=offscreen")
endfunction()

# moldrin_add_fuzz(NAME SOURCES ... LIBS ...): a libFuzzer target, run for a few seconds by the suite.
function(moldrin_add_fuzz name)
  if(NOT MOLDRIN_FUZZ)
    return()
  endif()
  if(NOT TARGET moldrin_fuzz_targets)
    add_custom_target(moldrin_fuzz_targets)
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${name} PRIVATE ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name} -max_total_time=5 -rss_limit_mb=2048)
  set_tests_properties(${name} PROPERTIES LABELS "fuzz" ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  add_dependencies(moldrin_fuzz_targets ${name})
endfunction()
