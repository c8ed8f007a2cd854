# ASCII view widget: painting, input, clipboard and printing over kviews_ascii.
kestrelon_ui_library(kviews_ascii_ui SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/KestronView.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KestronView.h
  ${CMAKE_CURRENT_LIST_DIR}/AsciiPainter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AsciiPrinter.cpp
  DEPENDS kviews_ascii kviews_dialogs kframework
)
