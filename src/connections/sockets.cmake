# Sockets, SOCKS proxy and the IP connection threads (model, no Qt).
kestrelon_model_library(ksockets SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/IP6Socket.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SocksProxy.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReceiveCredit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/IpSender.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StopSignal.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ClientConnector.cpp
  ${CMAKE_CURRENT_LIST_DIR}/IpConnection.cpp
  DEPENDS kdoc kframework
)
