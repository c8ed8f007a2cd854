# The kestrelon executable.
add_executable(kestrelon ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_compile_options(kestrelon PRIVATE ${KESTRELON_WARNINGS})
target_link_libraries(kestrelon PRIVATE Qt6::Widgets kcore_ui kdoc kconfigcli ktransfercli)
install(TARGETS kestrelon RUNTIME DESTINATION bin)
