# SOCKS replies and proxy settings.
kestrelon_fuzzer(socks_reply_fuzz ${CMAKE_CURRENT_LIST_DIR}/SocksReplyFuzz.cpp ksockets)
