# The data hub (model): receive and send paths, connection control, in-band
# commands, logging and error reporting.
kestrelon_model_library(khub SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/DataHub.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReceivePath.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SendPath.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ConnectionControl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ConnectionTexts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ErrorTexts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DriverLinks.cpp
  ${PROJECT_SOURCE_DIR}/src/automation/InbandCommands.cpp
  ${PROJECT_SOURCE_DIR}/src/automation/DataLogger.cpp
  DEPENDS kdoc klogfile kframework kserial ksockets kbridge
)
