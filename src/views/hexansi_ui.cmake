# The hex view and ANSI view widgets over their models.
kestrelon_ui_library(kviews_hexansi_ui SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/HexView.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AnsiView.cpp
  DEPENDS kviews_hexansi kdoc kviews_dialogs
)
