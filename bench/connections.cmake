# Serial: a pty flooded with 64 MiB, drained by cat and by the serial driver.
add_executable(bench_serial_flood ${CMAKE_CURRENT_LIST_DIR}/SerialFloodBench.cpp)
target_link_libraries(bench_serial_flood PRIVATE kserial benchmark::benchmark util)
# IP: loopback TCP receive through the client thread next to a plain recv loop.
add_executable(bench_ip_receive ${CMAKE_CURRENT_LIST_DIR}/IpReceiveBench.cpp)
target_link_libraries(bench_ip_receive PRIVATE ksockets benchmark::benchmark)
# Lifecycle figures: serial close and quit with held output, IP stop during a
# hanging look-up, the connect deadline, a 1 GiB paste to a slow reader.
add_executable(bench_lifecycle ${CMAKE_CURRENT_LIST_DIR}/LifecycleBench.cpp)
target_link_libraries(bench_lifecycle PRIVATE kserial ksockets util)
