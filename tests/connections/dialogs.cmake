if(TARGET kconnections_ui)
  kestrelon_test(connections_dialogs_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/CommDialogTest.cpp
    DEPENDS kconnections_ui kviews_dialogs kserial kdoc
    QT
  )
endif()
if(TARGET kconnections_ui AND TARGET khub)
  # The dialog confirmed, then the data hub reconnecting to a pty or 127.0.0.1.
  kestrelon_test(connections_dialogs_live_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/CommConnectTest.cpp
    DEPENDS kconnections_ui kviews_dialogs khub kserial ksockets kdoc kframework
    QT
  )
endif()
