# ASCII view model: character grid, selection and print layout (no Qt).
kestrelon_model_library(kviews_ascii SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/AsciiGrid.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AsciiPrintLayout.cpp
  DEPENDS kdoc
)
