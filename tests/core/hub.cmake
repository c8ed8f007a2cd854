kestrelon_test(core_hub_tests SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/HubDoubles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReceivePathTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SendPathTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/InbandCommandsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LoggingTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ErrorReportTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ConnectionControlTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HubConnectionsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HubLifecycleTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HubReplugTest.cpp
  ${PROJECT_SOURCE_DIR}/tests/connections/SocketTestKit.cpp
  DEPENDS khub
)
