# Bridge mode: the main connection joined to a second TCP connection (model, no Qt).
kestrelon_model_library(kbridge SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/Bridge.cpp
  DEPENDS ksockets kdoc kframework
)
