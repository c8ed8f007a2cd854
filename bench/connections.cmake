# Serial: a pty flooded with 64 MiB, drained by cat and by the serial driver.
add_executable(bench_serial_flood ${CMAKE_CURRENT_LIST_DIR}/SerialFloodBench.cpp)
target_link_libraries(bench_serial_flood PRIVATE kserial benchmark::benchmark util)
