# What another project uses: the exported CMake package (find_package(Plotvane CONFIG)), the
# pkg-config files, the plug-in example, and the Debian packages that CPack makes of it all.
# Two install components: "runtime" (libraries, plug-ins, scanner, catalogues, demo and its
# layout) and "dev" (headers, CMake and pkg-config files, the example).
include(CMakePackageConfigHelpers)

install(EXPORT PlotvaneTargets NAMESPACE Plotvane:: DESTINATION ${PLOTVANE_INSTALL_CMAKEDIR} COMPONENT dev)
install(EXPORT PlotvaneQtTargets NAMESPACE Plotvane:: DESTINATION ${PLOTVANE_INSTALL_CMAKEDIR} COMPONENT dev)
configure_package_config_file(cmake/package/PlotvaneConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/package/PlotvaneConfig.cmake
  INSTALL_DESTINATION ${PLOTVANE_INSTALL_CMAKEDIR}
  PATH_VARS PLOTVANE_INSTALL_PLUGINDIR)
# The libraries' SONAME carries the major version; a package of another major is not offered.
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/package/PlotvaneConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/package/PlotvaneConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/package/PlotvaneConfigVersion.cmake
        DESTINATION ${PLOTVANE_INSTALL_CMAKEDIR} COMPONENT dev)

foreach(pc plotvane plotvane-qt)
  configure_file(cmake/package/${pc}.pc.in ${CMAKE_CURRENT_BINARY_DIR}/package/${pc}.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/package/${pc}.pc DESTINATION ${PLOTVANE_INSTALL_PKGCONFIGDIR} COMPONENT dev)
endforeach()

install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/plotvane-dev/examples COMPONENT dev)

# ---- Debian packages: plotvane and plotvane-dev (scripts/package) ----
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME plotvane)
set(CPACK_PACKAGE_VENDOR "Plotvane developers")
set(CPACK_PACKAGE_CONTACT "Plotvane developers <plotvane-developers>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_COMPONENTS_ALL runtime dev)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME plotvane)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# The first line of a package description is its summary.
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "Diagram component of RF measuring instruments
The engine and Qt 6 Widgets libraries, the display-format filter plug-in, the
plug-in scanner, the text catalogues and plotvane-demo, a host with a simulated
network and spectrum analyser.")
# Dependencies of the libraries, plug-ins and programs come from dpkg-shlibdeps; it finds
# the component's own libraries in the build tree.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
set(CPACK_DEBIAN_DEV_PACKAGE_NAME plotvane-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "plotvane (= ${PROJECT_VERSION}), libpugixml-dev")
set(CPACK_DEBIAN_DEV_PACKAGE_SUGGESTS "qt6-base-dev, cmake, pkg-config")
set(CPACK_DEBIAN_DEV_DESCRIPTION "Development files of the Plotvane diagram component
Headers, the CMake package (find_package(Plotvane CONFIG)), pkg-config files and
an example filter plug-in built against the installed component.")
include(CPack)
