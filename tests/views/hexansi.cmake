# Hex history and ANSI screen models; hex and ANSI view widgets.
kestrelon_test(views_hexansi_tests SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/HexHistoryTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AnsiScreenTest.cpp
  DEPENDS kviews_hexansi
)
