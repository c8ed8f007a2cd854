# Bridge mode against loopback peers.
kestrelon_test(automation_bridge_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/BridgeTest.cpp
    ${PROJECT_SOURCE_DIR}/tests/core/HubDoubles.cpp
    ${PROJECT_SOURCE_DIR}/tests/connections/SocketTestKit.cpp
  DEPENDS kbridge kdoc kframework
)
