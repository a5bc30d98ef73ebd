# dw_area(NAME): a static library dw_NAME from src/dialworks/NAME/*.cpp. Headers are included as
# "dialworks/NAME/X.h" from src/ (build) or include/ (install).
set(DW_AREA_TARGETS "")
function(dw_area name)
  file(GLOB _sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/dialworks/${name}/*.cpp)
  add_library(dw_${name} STATIC ${_sources})
  target_include_directories(dw_${name} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>
    $<INSTALL_INTERFACE:include>)
  target_compile_options(dw_${name} PRIVATE -Wall -Wextra -Wshadow)
  set_target_properties(dw_${name} PROPERTIES EXPORT_NAME ${name})
  set(DW_AREA_TARGETS ${DW_AREA_TARGETS} dw_${name} PARENT_SCOPE)
endfunction()

# dw_area_tests(NAME [LABELS ...]): one GoogleTest program from tests/NAME/*.cpp.
function(dw_area_tests name)
  cmake_parse_arguments(ARG "" "" "LABELS" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${name}/*.cpp)
  if(NOT _sources)
    return()
  endif()
  # Every test program carries the shared sanitizer suppressions (font-library caches and threads).
  add_executable(test_${name} ${_sources} ${PROJECT_SOURCE_DIR}/tests/support/SanitizerSuppressions.cpp)
  target_link_libraries(test_${name} PRIVATE dialworks GTest::gtest GTest::gtest_main)
  target_include_directories(test_${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_options(test_${name} PRIVATE -Wall -Wextra)
  target_compile_definitions(test_${name} PRIVATE DW_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  gtest_discover_tests(test_${name} PROPERTIES LABELS ${name} DISCOVERY_TIMEOUT 60)
  # Further labels (e.g. "threading", which CI runs under ThreadSanitizer): a list cannot pass
  # through the discovery script (only the first label would stick), so a small file that ctest
  # includes after the discovered tests labels them all.
  if(ARG_LABELS)
    set(_labels_file ${CMAKE_CURRENT_BINARY_DIR}/test_${name}_labels.cmake)
    file(WRITE ${_labels_file}
      "foreach(_t IN LISTS test_${name}_TESTS)\n"
      "  set_tests_properties(\"\${_t}\" PROPERTIES LABELS \"${name};${ARG_LABELS}\")\n"
      "endforeach()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${_labels_file})
  endif()
endfunction()
