# What `cmake --install` and cpack ship besides the targets: the CMake package,
# the pkg-config file and the Debian package's metadata.
include(CMakePackageConfigHelpers)

set(VANTREL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/vantrel)
install(EXPORT vantrelTargets NAMESPACE vantrel:: DESTINATION ${VANTREL_CMAKE_DIR})
install(EXPORT vantrelStaticTargets NAMESPACE vantrel:: DESTINATION ${VANTREL_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/vantrelConfig.cmake.in
  ${PROJECT_BINARY_DIR}/vantrelConfig.cmake INSTALL_DESTINATION ${VANTREL_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/vantrelConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/vantrelConfig.cmake
  ${PROJECT_BINARY_DIR}/vantrelConfigVersion.cmake DESTINATION ${VANTREL_CMAKE_DIR})

# The .pc file finds its prefix from its own place, so it holds for any --prefix.
file(RELATIVE_PATH VANTREL_PC_PREFIX_FROM_PCDIR /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" VANTREL_PC_PREFIX_FROM_PCDIR "${VANTREL_PC_PREFIX_FROM_PCDIR}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/vantrel.pc.in ${PROJECT_BINARY_DIR}/vantrel.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vantrel.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VENDOR "Vantrel")
set(CPACK_PACKAGE_CONTACT "Vantrel maintainers <vantrel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "imports accounting master data into an Orvik company database")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# A shlibs file and the ldconfig trigger for the shared library. A minor
# version only adds to the interface (the SONAME carries the major one), so a
# program built against this version runs with any later one of the same major.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libc6, libstdc++6, libsqlite3-0, libmariadb3, libfreexl1, libpugixml1v5, libzip4, libicu72")
set(CPACK_GENERATOR DEB)
include(CPack)
