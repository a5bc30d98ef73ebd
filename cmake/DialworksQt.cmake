# dialworks::qt, the Qt 6 host (src/dialworks/qt): built only when Qt 6 Widgets is found. The core
# libraries never use Qt; this one links them and Qt. No moc: the widgets declare no signals.
find_package(Qt6 QUIET COMPONENTS Widgets)
if(NOT Qt6Widgets_FOUND)
  message(STATUS "Qt 6 Widgets not found: dialworks::qt, dwview and the Qt tests are left out")
  return()
endif()
set(_dw_qt_sources
  ${PROJECT_SOURCE_DIR}/src/dialworks/qt/QtHost.cpp
  ${PROJECT_SOURCE_DIR}/src/dialworks/qt/InstrumentWidget.cpp
  ${PROJECT_SOURCE_DIR}/src/dialworks/qt/ShapeOverlay.cpp)
if(DW_SHARED)
  add_library(dialworks_qt SHARED ${_dw_qt_sources})
  set_target_properties(dialworks_qt PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR} INSTALL_RPATH "$ORIGIN")
  target_compile_definitions(dialworks_qt PRIVATE DW_BUILDING_LIBRARY)
else()
  add_library(dialworks_qt STATIC ${_dw_qt_sources})
endif()
add_library(dialworks::qt ALIAS dialworks_qt)
target_include_directories(dialworks_qt PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src> $<INSTALL_INTERFACE:include>)
target_link_libraries(dialworks_qt PUBLIC dialworks Qt6::Widgets)
target_compile_options(dialworks_qt PRIVATE ${DW_WARNINGS})
set_target_properties(dialworks_qt PROPERTIES EXPORT_NAME qt)

include(GNUInstallDirs)
include(${CMAKE_CURRENT_LIST_DIR}/DialworksHeaders.cmake)
install(TARGETS dialworks_qt EXPORT dialworksQtTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
list(TRANSFORM DW_PUBLIC_HEADERS_qt PREPEND ${PROJECT_SOURCE_DIR}/src/dialworks/qt/ OUTPUT_VARIABLE _dw_qt_headers)
install(FILES ${_dw_qt_headers} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/dialworks/qt)
# find_package(dialworks) loads this file when it is there (dialworksConfig.cmake).
install(EXPORT dialworksQtTargets NAMESPACE dialworks:: FILE dialworksQtTargets.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/dialworks)
