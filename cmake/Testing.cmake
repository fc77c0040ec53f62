# Test helpers: GoogleTest (Debian's package natively, built from /usr/src/googletest for MinGW),
# the Wine emulator for cross-built tests, and tm_add_gtest() to declare a labelled test program.
if(NOT TM_BUILD_TESTS)
  return()
endif()

if(CMAKE_CROSSCOMPILING)
  set(TM_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(TM_SCRIPTS_DIR ${CMAKE_SOURCE_DIR}/scripts)
  configure_file(${CMAKE_SOURCE_DIR}/scripts/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
                 @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                 WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
  find_package(GTest REQUIRED)
endif()

# tm_add_gtest(NAME SOURCES ... LIBS ... LABELS ... [TIMEOUT s])
# One ctest test per program; cross-built programs run under Wine through the emulator script.
function(tm_add_gtest name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT}
                       SKIP_RETURN_CODE 77)
  if(CMAKE_CROSSCOMPILING)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
endfunction()

# tm_add_display_test(NAME PROGRAM [FILTER gtest-filter] [TIMEOUT s])
# Runs a cross-built test program's window tests on a private Xvfb display (scripts/with-display.sh);
# the display's Wine prefix is shared, so these tests run one after the other.
function(tm_add_display_test name program)
  cmake_parse_arguments(T "" "FILTER;TIMEOUT" "" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set(filter)
  if(T_FILTER)
    set(filter --gtest_filter=${T_FILTER})
  endif()
  add_test(NAME ${name}
           COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/with-display.sh ${TM_WINEPREFIX}-display
                   ${CMAKE_BINARY_DIR}/wine-run.sh $<TARGET_FILE:${program}> --gtest_color=no ${filter})
  set_tests_properties(${name} PROPERTIES LABELS "win32;display" TIMEOUT ${T_TIMEOUT} SKIP_RETURN_CODE 77
                       RESOURCE_LOCK tm_display_prefix)
endfunction()
