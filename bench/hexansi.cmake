# Hex history and ANSI screen throughput next to memcpy of the same bytes.
add_executable(bench_hexansi ${CMAKE_CURRENT_LIST_DIR}/HexAnsiBench.cpp)
target_link_libraries(bench_hexansi PRIVATE kviews_hexansi benchmark::benchmark benchmark::benchmark_main)
