# The terminal and font dialogs, the range-checked number edit and the list with
# in-place editing that the function-key and answer dialogs build on.
kestrelon_ui_library(kviews_dialogs SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/RangeSpinBox.cpp
  ${CMAKE_CURRENT_LIST_DIR}/InPlaceEdit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/EditableListCtrl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TerminalSettings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TerminalDialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FontMapping.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PrintPage.cpp
  DEPENDS kdoc
)
