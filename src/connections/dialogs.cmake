# The Communication dialog and its command.
kestrelon_ui_library(kconnections_ui SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/CommSettings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CommDialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CommCommand.cpp
  DEPENDS kdoc kserial kviews_dialogs
)
