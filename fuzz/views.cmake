# The ANSI screen's escape sequence interpreter.
kestrelon_fuzzer(ansi_parser_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/AnsiParserFuzz.cpp kviews_hexansi)
