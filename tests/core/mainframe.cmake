kestrelon_test(core_mainframe_tests QT SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/HubDoubles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MainStatusBarTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MainFrameTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KestronAppTest.cpp
  DEPENDS kcore_ui
)
