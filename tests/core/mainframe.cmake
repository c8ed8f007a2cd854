kestrelon_test(core_mainframe_tests QT SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/HubDoubles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MainStatusBarTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MainFrameTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KestronAppTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/EndToEndTest.cpp
  DEPENDS kcore_ui
)
# The end-to-end test writes its configuration with the program's own tool.
if(TARGET kestrelon)
  add_dependencies(core_mainframe_tests kestrelon)
  target_compile_definitions(core_mainframe_tests PRIVATE KESTRELON_BINARY="$<TARGET_FILE:kestrelon>")
endif()
