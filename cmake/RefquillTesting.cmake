# One place registers every test: a label (unit, e2e, gui, fuzz-replay) and a fixed locale,
# so that results never depend on the machine's settings.
find_package(GTest REQUIRED)

# rq_add_test(NAME <name> LABEL <label> SOURCES <files...> [LIBS <targets...>] [ENV <VAR=value...>])
function(rq_add_test)
  cmake_parse_arguments(T "" "NAME;LABEL" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock rq_warnings)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${T_NAME} PRIVATE
    RQ_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
    RQ_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABEL}"
    ENVIRONMENT "LC_ALL=C;LANG=C;${T_ENV}")
endfunction()
