kestrelon_test(views_ascii_tests SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/AsciiGridTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AsciiPrintLayoutTest.cpp
  DEPENDS kviews_ascii)
if(KESTRELON_BUILD_UI)
  kestrelon_test(views_ascii_widget_tests SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/KestronViewTest.cpp
    DEPENDS kviews_ascii_ui kdoc QT)
endif()
if(KESTRELON_BUILD_UI AND TARGET khub)
  # The view in front of a data hub over the hub tests' recording connections.
  kestrelon_test(views_ascii_hub_tests SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/AsciiViewHubTest.cpp
    ${PROJECT_SOURCE_DIR}/tests/core/HubDoubles.cpp
    DEPENDS kviews_ascii_ui khub QT)
endif()
