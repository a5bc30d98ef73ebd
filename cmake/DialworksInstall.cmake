include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS dialworks ${DW_AREA_TARGETS} EXPORT dialworksTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY src/dialworks DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")
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
