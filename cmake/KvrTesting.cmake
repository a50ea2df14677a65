# kvr_add_test(<name> SOURCES ... [LIBS ...] [DISPLAY] [DBUS] [TIMING] [TIMEOUT s] [LABELS ...])
#
# Builds one Qt Test suite and registers it with CTest. Every test runs through
# scripts/run-test.sh, which gives it a fresh temporary HOME and XDG folders, so no
# test touches the real user's files. DISPLAY runs it under xvfb-run (a real X server);
# without it, widget tests use the offscreen platform. DBUS gives it a private session bus.
#
# TIMING marks a suite that checks wall-clock time (sound played at a known pace, a deadline):
# it never runs beside a suite labelled webengine, whose Chromium takes every core for seconds.
# The webengine suites also run one at a time.
function(kvr_add_test name)
  cmake_parse_arguments(T "DISPLAY;DBUS;TIMING" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
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
  add_test(NAME ${name}
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/run-test.sh ${mode} ${bus} $<TARGET_FILE:${name}>)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
  if(T_TIMING)
    set_property(GLOBAL APPEND PROPERTY KVR_TIMING_TESTS ${name})
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK timing_${name})
  endif()
  if("webengine" IN_LIST T_LABELS)
    kvr_webengine_locks(${name})
  endif()
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
