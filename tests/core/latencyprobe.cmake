# Opt-in event latency probe used by the whole-program flood benchmark.
kestrelon_test(core_latency_probe_tests SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/LatencyProbeTest.cpp
  DEPENDS Qt6::Core QT)
