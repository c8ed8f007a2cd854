kestrelon_test(automation_answers_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/AutoAnswerTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FunctionKeysTest.cpp
  DEPENDS kautomation kdoc kframework
)
if(TARGET kautomation_ui)
  kestrelon_test(automation_answers_ui_tests
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/FunctionKeyBarTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/FunctionKeysDialogTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/AutoAnswerDialogTest.cpp
    DEPENDS kautomation_ui kautomation kviews_dialogs kdoc kframework
    QT
  )
endif()
if(TARGET kautomation_ui AND TARGET khub)
  # Against a live peer on 127.0.0.1 through the data hub.
  kestrelon_test(automation_answers_live_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/AnswersLoopbackTest.cpp
    DEPENDS kautomation_ui kautomation khub kdoc kframework
    QT
  )
endif()
