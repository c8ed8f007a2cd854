# The main window's receive path: connection thread -> event loop -> hub -> views.
if(KESTRELON_BUILD_UI)
  add_executable(bench_mainframe_pump ${CMAKE_CURRENT_LIST_DIR}/MainFramePumpBench.cpp
    ${PROJECT_SOURCE_DIR}/tests/core/HubDoubles.cpp)
  target_include_directories(bench_mainframe_pump PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(bench_mainframe_pump PRIVATE kcore_ui benchmark::benchmark)
endif()
