include(GNUInstallDirs)
include(CMakePackageConfigHelpers)
include(${CMAKE_CURRENT_LIST_DIR}/DialworksHeaders.cmake)

install(TARGETS dialworks ${DW_AREA_TARGETS} EXPORT dialworksTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

# Public headers only (cmake/DialworksHeaders.cmake).
foreach(_h IN LISTS DW_PUBLIC_HEADERS_top)
  install(FILES src/dialworks/${_h} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/dialworks)
endforeach()
get_property(_dw_names GLOBAL PROPERTY DW_AREA_NAMES)
foreach(_area IN LISTS _dw_names)
  list(TRANSFORM DW_PUBLIC_HEADERS_${_area} PREPEND src/dialworks/${_area}/ OUTPUT_VARIABLE _files)
  install(FILES ${_files} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/dialworks/${_area})
endforeach()

install(EXPORT dialworksTargets NAMESPACE dialworks:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/dialworks)

configure_package_config_file(cmake/dialworksConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/dialworksConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/dialworks)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/dialworksConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/dialworksConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/dialworksConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/dialworks)

# The generated version header, and the documents: guides, reference, schema, licence, changes.
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/include/dialworks/Version.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/dialworks)
install(DIRECTORY docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES README.md LICENSE CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
