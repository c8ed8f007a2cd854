add_executable(kestrelon ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_compile_options(kestrelon PRIVATE ${KESTRELON_WARNINGS})
target_compile_definitions(kestrelon PRIVATE
  KESTRELON_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  KESTRELON_VERSION_MINOR=${PROJECT_VERSION_MINOR})
target_link_libraries(kestrelon PRIVATE Qt6::Widgets kdoc kconfigcli)
install(TARGETS kestrelon RUNTIME DESTINATION bin)
