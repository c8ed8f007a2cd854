kestrelon_model_library(klogfile SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/LogFile.cpp
)
