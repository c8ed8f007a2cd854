# Hex history and ANSI screen: the models behind the hex and ANSI views.
kestrelon_model_library(kviews_hexansi SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/HexHistory.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AnsiScreen.cpp
)
