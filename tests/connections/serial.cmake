kestrelon_test(connections_serial_tests SOURCES ${CMAKE_CURRENT_LIST_DIR} /
               DcbTermiosTest.cpp ${CMAKE_CURRENT_LIST_DIR} / SerialPortTest.cpp ${CMAKE_CURRENT_LIST_DIR} /
               KestronDriverTest.cpp ${CMAKE_CURRENT_LIST_DIR} / KestronDriverFakeTest.cpp ${CMAKE_CURRENT_LIST_DIR} /
               ComPortEnumeratorTest.cpp ${CMAKE_CURRENT_LIST_DIR}/SerialLifecycleTest.cpp DEPENDS kserial)
