# The .kst configuration file reader.
kestrelon_fuzzer(kst_archive_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/KstArchiveFuzz.cpp kdoc)
# The data hub receive path: run cutting, conversions and in-band commands.
kestrelon_fuzzer(receive_path_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/ReceivePathFuzz.cpp khub)
