kestrelon_model_library(kframework SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/MessageCarrier.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PumpedTarget.cpp
)
