kestrelon_test(automation_logging_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/LogFileTest.cpp DEPENDS klogfile)
