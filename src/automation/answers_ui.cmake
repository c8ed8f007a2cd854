# The function-key bar and the Function Keys and Auto Answer dialogs.
kestrelon_ui_library(kautomation_ui SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/FunctionKeyBar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FunctionKeysDialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AutoAnswerDialog.cpp
  DEPENDS kautomation kviews_dialogs kdoc
)
