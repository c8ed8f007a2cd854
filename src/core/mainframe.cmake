# Application, main window and status bar (user interface) and the string table.
kestrelon_ui_library(kcore_ui SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/FrameDialogs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KestronApp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MainFrame.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MainFrameCommands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MainStatusBar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PlaceholderView.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QtSettingsStore.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StringTable.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TerminalViews.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ToolbarIcons.cpp
  DEPENDS kframework_ui khub kdoc kviews_ascii_ui kviews_hexansi_ui kautomation_ui kconnections_ui kviews_dialogs kgps_ui
)
# The version shown in the title and the About box.
target_compile_definitions(kcore_ui PRIVATE
  KESTRELON_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  KESTRELON_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  KESTRELON_VERSION_PATCH=${PROJECT_VERSION_PATCH}
  KESTRELON_VERSION_TWEAK=0)
