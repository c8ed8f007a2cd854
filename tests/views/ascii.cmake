kestrelon_test(views_ascii_tests SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/AsciiGridTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AsciiPrintLayoutTest.cpp
  DEPENDS kviews_ascii)
if(KESTRELON_BUILD_UI)
  kestrelon_test(views_ascii_widget_tests SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/KestronViewTest.cpp
    DEPENDS kviews_ascii_ui kdoc QT)
endif()
