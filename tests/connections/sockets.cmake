# Sockets, SOCKS and the IP connection threads, over real loopback sockets and a
# real SOCKS 5 server (Debian package microsocks).
set(_kit ${CMAKE_CURRENT_LIST_DIR}/SocketTestKit.cpp)
kestrelon_test(connections_socket_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/IP6SocketTest.cpp ${_kit} DEPENDS ksockets)
kestrelon_test(connections_socks_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/SocksProxyTest.cpp ${_kit} DEPENDS ksockets)
kestrelon_test(connections_ip_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/IpConnectionTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/IpLifecycleTest.cpp ${_kit} DEPENDS ksockets)
