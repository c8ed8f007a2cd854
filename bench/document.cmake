# Reading and writing .kst files, text decoding, the trigger table.
add_executable(bench_kst_archive ${CMAKE_CURRENT_LIST_DIR}/KstArchiveBench.cpp)
target_link_libraries(bench_kst_archive PRIVATE kdoc benchmark::benchmark)
