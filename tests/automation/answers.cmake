kestrelon_test(automation_answers_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/AutoAnswerTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FunctionKeysTest.cpp
  DEPENDS kautomation kdoc kframework
)
