# Helpers that put every source file in the right layer.
#
# Model libraries are plain C++ and POSIX: they never link Qt and Qt's include
# directories are not on their path, so a Qt include in model code fails to build.
# User-interface libraries link Qt Widgets and may use any model library.

set(KESTRELON_WARNINGS -Wall -Wextra -Wpedantic)
if(KESTRELON_WERROR)
  list(APPEND KESTRELON_WARNINGS -Werror)
endif()

# kestrelon_model_library(NAME SOURCES ... [DEPENDS lib ...])
function(kestrelon_model_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(${name} PRIVATE ${KESTRELON_WARNINGS})
  target_link_libraries(${name} PUBLIC Threads::Threads ${ARG_DEPENDS})
  set_target_properties(${name} PROPERTIES AUTOMOC OFF)
  set_property(GLOBAL APPEND PROPERTY KESTRELON_MODEL_LIBRARIES ${name})
endfunction()

# kestrelon_ui_library(NAME SOURCES ... [DEPENDS lib ...])
function(kestrelon_ui_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(${name} PRIVATE ${KESTRELON_WARNINGS})
  target_link_libraries(${name} PUBLIC Qt6::Widgets Qt6::PrintSupport ${ARG_DEPENDS})
  set_property(GLOBAL APPEND PROPERTY KESTRELON_UI_LIBRARIES ${name})
endfunction()

# kestrelon_test(NAME SOURCES ... DEPENDS lib ... [QT])
# One GoogleTest executable; each test runs under CTest on its own.
function(kestrelon_test name)
  cmake_parse_arguments(ARG "QT" "" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${KESTRELON_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} kestrelon_test_support GTest::gtest GTest::gmock)
  if(ARG_QT)
    target_link_libraries(${name} PRIVATE Qt6::Test kestrelon_test_qtmain)
    set(env "QT_QPA_PLATFORM=offscreen")
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
    set(env "")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "${env};KESTRELON_SOURCE_DIR=${PROJECT_SOURCE_DIR}" TIMEOUT 300)
endfunction()
