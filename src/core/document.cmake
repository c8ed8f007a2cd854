kestrelon_model_library(kdoc SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/ByteBlock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DecodeText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FileBytes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KestronDoc.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KstArchive.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SavedSettings.cpp
  DEPENDS kframework klogfile
)

# The configuration command line (print and write .kst files as JSON). It needs
# only Qt Core, so it runs before any display is opened.
if(KESTRELON_BUILD_UI)
  add_library(kconfigcli STATIC ${CMAKE_CURRENT_LIST_DIR}/ConfigJson.cpp)
  target_include_directories(kconfigcli PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(kconfigcli PRIVATE ${KESTRELON_WARNINGS})
  target_link_libraries(kconfigcli PUBLIC Qt6::Core kdoc)
  set_target_properties(kconfigcli PROPERTIES AUTOMOC OFF)
endif()
