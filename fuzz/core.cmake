# The .kst configuration file reader.
kestrelon_fuzzer(kst_archive_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/KstArchiveFuzz.cpp kdoc)
