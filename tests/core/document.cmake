kestrelon_test(core_document_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/DecodeTextTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KestronDocTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KstArchiveTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KstFilesTest.cpp
  DEPENDS kdoc)

# The configuration command line is tested through the real program.
if(KESTRELON_BUILD_UI)
  kestrelon_test(core_config_command_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ConfigCommandTest.cpp
    DEPENDS kdoc Qt6::Core)
  target_compile_definitions(core_config_command_tests PRIVATE KESTRELON_PROGRAM="$<TARGET_FILE:kestrelon>")
  add_dependencies(core_config_command_tests kestrelon)
endif()
