# Answer matcher throughput on received text, next to memcpy.
add_executable(bench_auto_answer ${CMAKE_CURRENT_LIST_DIR}/AutoAnswerBench.cpp)
target_link_libraries(bench_auto_answer PRIVATE kautomation kdoc benchmark::benchmark)
