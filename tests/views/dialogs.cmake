if(TARGET kviews_dialogs)
  kestrelon_test(views_dialogs_tests
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/EditableListTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/TerminalDialogTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/FontMappingTest.cpp
    DEPENDS kviews_dialogs kviews_ascii kviews_hexansi kdoc
    QT
  )
endif()
