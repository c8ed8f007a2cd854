# ASCII view: receive path throughput into the grid model, and one full repaint.
add_executable(bench_ascii_grid ${CMAKE_CURRENT_LIST_DIR}/AsciiGridBench.cpp)
target_link_libraries(bench_ascii_grid PRIVATE kviews_ascii khub benchmark::benchmark benchmark::benchmark_main)
if(KESTRELON_BUILD_UI)
  add_executable(bench_ascii_paint ${CMAKE_CURRENT_LIST_DIR}/KestronViewPaintBench.cpp)
  target_link_libraries(bench_ascii_paint PRIVATE kviews_ascii_ui kdoc benchmark::benchmark)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/hexansi.cmake OPTIONAL)
