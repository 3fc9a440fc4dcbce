# tarnvex_test(NAME SOURCES ... [LIBS ...] [WINDOWS_ONLY] [HOST_ONLY])
# One GoogleTest executable, registered with CTest as one test. In the cross
# build CTest runs it under Wine (scripts/wine-run) inside the shared session
# (prefix, Xvfb display, persistent wineserver) that the wine_session fixture
# starts and stops, so a test that needs a display gets one from the harness.
function(tarnvex_test name)
  cmake_parse_arguments(T "WINDOWS_ONLY;HOST_ONLY" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(T_WINDOWS_ONLY AND NOT WIN32)
    return()
  endif()
  if(T_HOST_ONLY AND WIN32)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  tarnvex_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  set(timeout 300)
  if(T_TIMEOUT)
    set(timeout ${T_TIMEOUT})
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${timeout} LABELS "${T_LABELS}")
  if(CMAKE_CROSSCOMPILING)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "wine_session;prefix_restored"
                         ENVIRONMENT "TARNVEX_BUILD_DIR=${CMAKE_BINARY_DIR}")
  endif()
endfunction()

# tarnvex_fuzzer(NAME SOURCES ... LIBS ...): one libFuzzer target (clang host build, preset "fuzz").
function(tarnvex_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  tarnvex_warnings(${name})
endfunction()

# Each suite runs from a folder of its own: what lies beside a program decides
# which SkinH_EL.dll the program-directory step of the search finds.
function(skin_test_folder target folder)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests/skin/${folder})
  # The tests write C:\WINDOWS\system32\SkinH_EL.dll of the shared prefix.
  set_tests_properties(${target} PROPERTIES RESOURCE_LOCK skin_engine_file)
endfunction()
