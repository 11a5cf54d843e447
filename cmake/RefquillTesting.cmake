# One place registers every test: a label (unit, e2e, gui, package, fuzz-replay), a fixed locale
# so that results never depend on the machine's settings, and the shared test support. Each
# GoogleTest case is a test of its own (ctest -R 'Jobs.CancelledChoice' runs one); a QTest
# program or a script is one test.
find_package(GTest REQUIRED)
include(GoogleTest)

# Wine names files on the Linux side in the locale's character set: under plain C it cannot
# create a file whose name is outside ASCII. The Windows programs themselves read no locale.
if(WIN32 AND CMAKE_CROSSCOMPILING)
  set(RQ_TEST_LOCALE C.UTF-8)
else()
  set(RQ_TEST_LOCALE C)
endif()

# rq_add_test(NAME <name> LABEL <label> SOURCES <files...> [LIBS <targets...>] [ENV <VAR=value...>]
#             [QTEST])
# rq_add_test(NAME <name> LABEL <label> COMMAND <command...> [ENV <VAR=value...>])
function(rq_add_test)
  cmake_parse_arguments(T "QTEST" "NAME;LABEL" "SOURCES;LIBS;ENV;COMMAND" ${ARGN})
  set(env LC_ALL=${RQ_TEST_LOCALE} LANG=${RQ_TEST_LOCALE} ${T_ENV})
  if(T_QTEST)
    list(APPEND env QT_QPA_PLATFORM=offscreen)
  endif()
  if(T_COMMAND)
    add_test(NAME ${T_NAME} COMMAND ${T_COMMAND})
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABEL}" ENVIRONMENT "${env}")
    return()
  endif()

  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} rq_test_support rq_warnings)
  if(T_QTEST)
    find_package(Qt6 REQUIRED COMPONENTS Test)
    set_target_properties(${T_NAME} PROPERTIES AUTOMOC ON)
    target_link_libraries(${T_NAME} PRIVATE Qt6::Test)
    rq_link_offscreen_platform(${T_NAME})
    # Wine hands no QT_ variable to a Windows program: there the platform is an argument.
    set(platform_argument)
    if(WIN32 AND CMAKE_CROSSCOMPILING)
      set(platform_argument -platform offscreen)
    endif()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME} ${platform_argument})
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABEL}" ENVIRONMENT "${env}")
  else()
    target_link_libraries(${T_NAME} PRIVATE GTest::gtest GTest::gtest_main GTest::gmock)
    # Listed when ctest runs, not after the build: a build for another system cannot run them.
    # The discovered tests take one environment entry only (a list would be split); LC_ALL
    # alone fixes every part of the locale.
    if(T_ENV)
      message(FATAL_ERROR "rq_add_test: ENV is for QTEST and COMMAND tests")
    endif()
    if(CMAKE_CROSSCOMPILING)
      # Under an emulator every start of a program costs a second: each program runs once.
      add_test(NAME ${T_NAME} COMMAND ${T_NAME})
      set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABEL}" ENVIRONMENT "${env}")
    else()
      gtest_discover_tests(${T_NAME} DISCOVERY_MODE PRE_TEST
        PROPERTIES LABELS "${T_LABEL}" ENVIRONMENT LC_ALL=${RQ_TEST_LOCALE})
    endif()
  endif()
endfunction()
