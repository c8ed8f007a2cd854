# Hex history and ANSI screen models; hex and ANSI view widgets.
kestrelon_test(views_hexansi_tests SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/HexHistoryTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AnsiScreenTest.cpp
  DEPENDS kviews_hexansi
)
if(KESTRELON_BUILD_UI)
  kestrelon_test(views_hexansi_ui_tests QT SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/HexViewTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AnsiViewTest.cpp
    DEPENDS kviews_hexansi_ui kdoc
  )
endif()
