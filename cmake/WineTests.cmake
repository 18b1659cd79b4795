# Tests of the Windows build run under wine64 in a prefix of their own, made
# fresh at the start of each CTest run (fixture "wine") and ended afterwards.
set(KALVORIN_WINEPREFIX ${CMAKE_BINARY_DIR}/wine/prefix)
set(KALVORIN_MEDIA ${CMAKE_BINARY_DIR}/wine/media)
# Libraries with chosen version resources (tests/fixtures/versions) and the
# other programs and libraries tests put into place (tests/fixtures).
set(KALVORIN_VERSION_LIBS ${CMAKE_BINARY_DIR}/versionlibs)
set(KALVORIN_FIXTURES ${CMAKE_BINARY_DIR}/fixtures)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh)

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(KALVORIN_RUN_WINE_TESTS ON)
else()
  # This machine runs no 32-bit code: the i686 build is compiled, not run.
  set(KALVORIN_RUN_WINE_TESTS OFF)
endif()

if(KALVORIN_RUN_WINE_TESTS AND NOT TARGET wine_prefix_marker)
  add_custom_target(wine_prefix_marker)
  add_test(NAME wine.prefix.start
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh start ${KALVORIN_WINEPREFIX})
  set_tests_properties(wine.prefix.start PROPERTIES FIXTURES_SETUP wine TIMEOUT 180)
  add_test(NAME wine.prefix.stop
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh stop ${KALVORIN_WINEPREFIX})
  set_tests_properties(wine.prefix.stop PROPERTIES FIXTURES_CLEANUP wine)
endif()

# kalvorin_wine_test(NAME name COMMAND target [args...] [TIMEOUT s]
#                    [TEST_LIMIT s] [SERIAL] [ENV VAR=value...])
# Runs a Windows test program under Wine in the run's prefix. SERIAL keeps
# tests that show windows or change shared prefix state from running together.
# ENV adds environment variables (generator expressions allowed); a Unix path
# /x/y is Z:\x\y inside Wine. The program's watchdog (tests/e2e/driver/
# Watchdog.h) reports a test that runs longer than TEST_LIMIT (default 120 s)
# and the program itself 15 s before TIMEOUT, with a screenshot and the open
# windows, so that a stall never ends at CTest's time-out.
function(kalvorin_wine_test)
  cmake_parse_arguments(T "SERIAL" "NAME;TIMEOUT;TEST_LIMIT" "COMMAND;ENV" ${ARGN})
  if(NOT KALVORIN_RUN_WINE_TESTS)
    return()
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  if(NOT T_TEST_LIMIT)
    set(T_TEST_LIMIT 120)
  endif()
  math(EXPR program_limit "${T_TIMEOUT} - 15")
  add_test(NAME ${T_NAME} COMMAND ${T_COMMAND})
  set(env KALVORIN_WINEPREFIX=${KALVORIN_WINEPREFIX} KALVORIN_MEDIA=${KALVORIN_MEDIA}
          KALVORIN_TEST_LIMIT=${T_TEST_LIMIT} KALVORIN_PROGRAM_LIMIT=${program_limit}
          KALVORIN_BUILD=${CMAKE_BINARY_DIR} KALVORIN_VERSION_LIBS=${KALVORIN_VERSION_LIBS}
          KALVORIN_FIXTURES=${KALVORIN_FIXTURES} ${T_ENV})
  set_tests_properties(${T_NAME} PROPERTIES
    FIXTURES_REQUIRED wine
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "${env}")
  if(T_SERIAL)
    set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK wine_desktop)
  endif()
endfunction()
