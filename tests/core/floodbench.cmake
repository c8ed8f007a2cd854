# The whole-program flood benchmark's parts: the opt-in event latency probe the
# program carries, and the flood driver's own checks (lines, byte accounting).
kestrelon_test(core_latency_probe_tests SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/LatencyProbeTest.cpp
  DEPENDS Qt6::Core QT)

find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  add_test(NAME bench_gui_flood_driver COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/bench/gui-flood.test.py)
  set_tests_properties(bench_gui_flood_driver PROPERTIES TIMEOUT 120)
else()
  add_test(NAME bench_gui_flood_driver COMMAND ${CMAKE_COMMAND} -E echo "python3 is missing (package python3)")
  set_tests_properties(bench_gui_flood_driver PROPERTIES WILL_FAIL TRUE)
endif()
