# Bridge mode through the real main window, a pty device and loopback peers.
kestrelon_test(core_bridge_window_tests QT SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/HubDoubles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BridgeWindowTest.cpp
  ${PROJECT_SOURCE_DIR}/tests/connections/SocketTestKit.cpp
  DEPENDS kcore_ui
)
