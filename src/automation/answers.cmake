# Automatic answers and function-key levels (model, no Qt).
kestrelon_model_library(kautomation SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/AutoAnswer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FunctionKeys.cpp
  DEPENDS kdoc kframework
)
