# tesselon_module(NAME DEPS...) makes a static library of every .cpp file in the current
# folder and its subfolders but main.cpp, so adding a file needs no edit here.
function(tesselon_module name)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX ".*/main\\.cpp$")
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARGN})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARGN})
  endif()
endfunction()

# tesselon_test(NAME [QT] DEPS...) makes one GoogleTest executable of every .cpp file in the
# current folder and registers its tests with CTest. tests/support/test_paths.h tells
# where the sources, the test data and the built programs are. QT gives the tests a QApplication on the
# offscreen platform instead of GoogleTest's plain main.
function(tesselon_test name)
  cmake_parse_arguments(T "QT" "" "" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  if(T_QT)
    list(APPEND sources ${PROJECT_SOURCE_DIR}/tests/support_qt/qt_test_main.cpp)
    set(test_main Qt6::Widgets)
  else()
    set(test_main GTest::gtest_main)
  endif()
  # Linked as an object of its own so every test binary carries the suppressions.
  list(APPEND sources ${PROJECT_SOURCE_DIR}/tests/support_main/lsan_suppressions.cpp)
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${T_UNPARSED_ARGUMENTS} tesselon_testsupport GTest::gtest GTest::gmock ${test_main})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
endfunction()
