# Window framework widgets: the frame that keeps its layout, the dock bar, the
# status bar with pane hit test, the indicator lamp.
kestrelon_ui_library(kframework_ui SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/FrameWndEx.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Lamp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SizingDialogBar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StatusBarEx.cpp
  DEPENDS kframework
)
