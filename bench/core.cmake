# Receive path throughput and heap allocations per MiB.
add_executable(bench_receive_path ${CMAKE_CURRENT_LIST_DIR}/ReceivePathBench.cpp)
target_link_libraries(bench_receive_path PRIVATE khub benchmark::benchmark)
include(${CMAKE_CURRENT_LIST_DIR}/document.cmake)
