kestrelon_test(framework_carrier_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/PumpedTargetTest.cpp DEPENDS kframework kdoc)
