if(TARGET kconnections_ui)
  kestrelon_test(connections_dialogs_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/CommDialogTest.cpp
    DEPENDS kconnections_ui kviews_dialogs kserial kdoc
    QT
  )
endif()
