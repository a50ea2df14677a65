# kvr_add_test(<name> SOURCES ... [LIBS ...] [DISPLAY] [DBUS] [TIMING] [TIMEOUT s] [LABELS ...]
#              [SHARDS n])
#
# Builds one Qt Test suite and registers it with CTest. Every test runs through
# scripts/run-test.sh, which gives it a fresh temporary HOME and XDG folders, so no
# test touches the real user's files. DISPLAY runs it under xvfb-run (a real X server);
# without it, widget tests use the offscreen platform. DBUS gives it a private session bus.
#
# TIMING marks a suite that checks wall-clock time (sound played at a known pace, a deadline):
# it never runs beside a suite labelled webengine, whose Chromium takes every core for seconds.
# The webengine suites also run one at a time.
#
# SHARDS n registers the suite as n tests, <name>_1of<n> ... <name>_<n>of<n>, which run at once, each
# with every n-th test function (tests/KvrTestMain.h; the suite's main is KVR_TEST_MAIN): for a
# suite whose rows each start a process, and so cannot be made shorter, only spread out.
function(kvr_add_test name)
  cmake_parse_arguments(T "DISPLAY;DBUS;TIMING" "TIMEOUT;SHARDS" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    KVR_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    KVR_BINARY_DIR="${CMAKE_BINARY_DIR}"
    KVR_OUTPUT_DIR="${KVR_OUTPUT_DIR}")
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  set(mode plain)
  if(T_DISPLAY)
    set(mode display)
  endif()
  set(bus nobus)
  if(T_DBUS)
    set(bus dbus)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(tests ${name})
  if(T_SHARDS GREATER 1)
    set(tests)
    foreach(shard RANGE 1 ${T_SHARDS})
      list(APPEND tests ${name}_${shard}of${T_SHARDS})
    endforeach()
  endif()
  set(shard 0)
  foreach(test IN LISTS tests)
    math(EXPR shard "${shard} + 1")
    add_test(NAME ${test}
             COMMAND ${CMAKE_SOURCE_DIR}/scripts/run-test.sh ${mode} ${bus} $<TARGET_FILE:${name}>)
    set_tests_properties(${test} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
    if(T_SHARDS GREATER 1)
      set_tests_properties(${test} PROPERTIES ENVIRONMENT "KVR_TEST_SHARD=${shard}/${T_SHARDS}")
    endif()
    if(T_TIMING)
      set_property(GLOBAL APPEND PROPERTY KVR_TIMING_TESTS ${test})
      set_tests_properties(${test} PROPERTIES RESOURCE_LOCK timing_${test})
    endif()
    if("webengine" IN_LIST T_LABELS)
      kvr_webengine_locks(${test})
    endif()
  endforeach()
endfunction()

# The locks of a webengine suite: every timing suite's, and the one all webengine suites share.
# Timing suites must be added before (tests/CMakeLists.txt adds the page and program folders last).
function(kvr_webengine_locks name)
  get_property(timing GLOBAL PROPERTY KVR_TIMING_TESTS)
  set(locks webengine)
  foreach(test IN LISTS timing)
    list(APPEND locks timing_${test})
  endforeach()
  set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${locks}")
endfunction()
