kestrelon_model_library(kdoc SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/ByteBlock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KestronDoc.cpp
  DEPENDS kframework klogfile
)
