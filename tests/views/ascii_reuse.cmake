# Row reuse of the ASCII grid's ring.
kestrelon_test(views_ascii_reuse_tests SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/AsciiGridReuseTest.cpp
  DEPENDS kviews_ascii)
