# dw_area(NAME [LINKS targets...]): a library dw_NAME from src/dialworks/NAME/*.cpp, linked to
# exactly the areas (and packages) it uses. Headers are included as "dialworks/NAME/X.h" from src/
# (build) or include/ (install). Static by default; with DW_SHARED a shared library whose symbols
# are hidden except those marked DW_API (dialworks/Export.h).
set(DW_AREA_TARGETS "")
function(dw_area name)
  cmake_parse_arguments(ARG "" "" "LINKS" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/dialworks/${name}/*.cpp)
  list(LENGTH _sources _count)
  if(DW_UNITY_BUILD AND _count GREATER 1)
    dw_unity_sources(${name} _sources)
  endif()
  if(DW_SHARED)
    add_library(dw_${name} SHARED ${_sources})
    set_target_properties(dw_${name} PROPERTIES
      CXX_VISIBILITY_PRESET hidden
      VISIBILITY_INLINES_HIDDEN ON
      VERSION ${PROJECT_VERSION}
      SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}
      INSTALL_RPATH "$ORIGIN")
    target_compile_definitions(dw_${name} PRIVATE DW_BUILDING_LIBRARY PUBLIC DW_SHARED_LIBS)
  else()
    add_library(dw_${name} STATIC ${_sources})
  endif()
  target_include_directories(dw_${name} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>
    $<INSTALL_INTERFACE:include>)
  target_compile_features(dw_${name} PUBLIC cxx_std_20)
  target_compile_options(dw_${name} PRIVATE ${DW_WARNINGS})
  if(DW_UNITY_BUILD AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # In a combined file every source is an included file, so GCC would take a class of one
    # source holding a file-local type for a header class that leaks it (-Wsubobject-linkage).
    target_compile_options(dw_${name} PRIVATE -Wno-subobject-linkage)
  endif()
  target_link_libraries(dw_${name} PUBLIC ${ARG_LINKS})
  set_target_properties(dw_${name} PROPERTIES EXPORT_NAME ${name})
  # The areas an area may include: itself and every dialworks area it links, directly or not.
  set(_allowed ${name})
  foreach(_link IN LISTS ARG_LINKS)
    if(_link MATCHES "^dw_(.*)$")
      get_property(_below GLOBAL PROPERTY DW_AREA_USES_${CMAKE_MATCH_1})
      list(APPEND _allowed ${_below})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES _allowed)
  set_property(GLOBAL PROPERTY DW_AREA_USES_${name} ${_allowed})
  set_property(GLOBAL APPEND PROPERTY DW_AREA_NAMES ${name})
  set(DW_AREA_TARGETS ${DW_AREA_TARGETS} dw_${name} PARENT_SCOPE)
endfunction()

# dw_unity_sources(NAME SOURCES_VAR): the area's .cpp files compiled as a few combined files (up to
# DW_UNITY_BATCH each), so the standard, Cairo/Pango and framework headers are parsed and their
# inline functions and templates compiled once per batch rather than once per file; that halves
# the CPU time of a full library build. The combined files include the sources by their path below
# src/ (not an absolute one), so they read the same in every clone and compile caches shared
# between clones still hit. The originals stay in the target as header-only entries for IDEs.
# A batch is one translation unit: file-local names of its files must not collide; a per-file
# build (-DDW_UNITY_BUILD=OFF, the ThreadSanitizer CI job) checks each file still compiles alone.
function(dw_unity_sources name sources_var)
  set(_all ${${sources_var}})
  list(SORT _all)
  list(LENGTH _all _count)
  # Batches of equal size: 20 sources with batches of up to 16 become 10 + 10.
  math(EXPR _batches "(${_count} + ${DW_UNITY_BATCH} - 1) / ${DW_UNITY_BATCH}")
  math(EXPR _size "(${_count} + ${_batches} - 1) / ${_batches}")
  set(_out "")
  set(_batch 0)
  set(_index 0)
  set(_text "")
  foreach(_src IN LISTS _all)
    file(RELATIVE_PATH _rel ${PROJECT_SOURCE_DIR}/src ${_src})
    string(APPEND _text "#include \"${_rel}\"\n")
    math(EXPR _index "${_index} + 1")
    math(EXPR _in_batch "${_index} % ${_size}")
    if(_in_batch EQUAL 0 OR _index EQUAL _count)
      set(_file ${CMAKE_CURRENT_BINARY_DIR}/unity/dw_${name}_${_batch}.cpp)
      # Written only when changed, so a reconfigure does not rebuild the batch.
      file(CONFIGURE OUTPUT ${_file} CONTENT "// Generated: the sources of one batch of dw_${name}.\n${_text}")
      list(APPEND _out ${_file})
      set(_text "")
      math(EXPR _batch "${_batch} + 1")
    endif()
  endforeach()
  set_source_files_properties(${_all} PROPERTIES HEADER_FILE_ONLY ON)
  set(${sources_var} ${_out} ${_all} PARENT_SCOPE)
endfunction()

# dw_write_layers(FILE): the include rules of every area, for cmake/CheckLayers.cmake.
function(dw_write_layers file)
  get_property(_names GLOBAL PROPERTY DW_AREA_NAMES)
  set(_text "set(DW_AREAS ${_names})\n")
  foreach(_n IN LISTS _names)
    get_property(_uses GLOBAL PROPERTY DW_AREA_USES_${_n})
    string(APPEND _text "set(DW_USES_${_n} ${_uses})\n")
  endforeach()
  file(WRITE ${file} "${_text}")
endfunction()

# dw_area_tests(NAME [LABELS ...] [LINKS ...]): one GoogleTest program from tests/NAME/*.cpp.
function(dw_area_tests name)
  cmake_parse_arguments(ARG "" "" "LABELS;LINKS" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${name}/*.cpp)
  if(NOT _sources)
    return()
  endif()
  # Every test program carries the shared sanitizer suppressions (font-library caches and threads).
  add_executable(test_${name} ${_sources} ${PROJECT_SOURCE_DIR}/tests/support/SanitizerSuppressions.cpp)
  target_link_libraries(test_${name} PRIVATE dialworks GTest::gtest GTest::gtest_main ${ARG_LINKS})
  target_include_directories(test_${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_options(test_${name} PRIVATE ${DW_TEST_WARNINGS})
  target_compile_definitions(test_${name} PRIVATE DW_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  # One precompiled header for every test program (GoogleTest, the standard library and the
  # public library headers), built with the first one: a test file's own code is then most of
  # what it compiles. The programs compile with the same options; the definitions some add
  # (program paths) do not appear in these headers, so the header stays valid for them.
  get_property(_pch_from GLOBAL PROPERTY DW_TEST_PCH_FROM)
  if(_pch_from)
    target_precompile_headers(test_${name} REUSE_FROM ${_pch_from})
  else()
    target_precompile_headers(test_${name} PRIVATE
      <gtest/gtest.h> <algorithm> <atomic> <chrono> <cmath> <functional> <limits> <memory> <string>
      <thread> <vector> <dialworks/dialworks.h>)
    set_property(GLOBAL PROPERTY DW_TEST_PCH_FROM test_${name})
  endif()
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
