kestrelon_test(framework_widget_tests QT SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/LampTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StatusBarExTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FrameWndExTest.cpp
  DEPENDS kframework_ui
)
