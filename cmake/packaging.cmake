# The Debian package (`make package`, or `cpack -G DEB` in the build folder): the install
# rules under /usr, then dist/deb/layout.cmake moves things where Debian wants them.
set(SKARVO_PACKAGE_MAINTAINER "The Skarvo developers <skarvo-dev@example.org>"
  CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME skarvo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "western arcade throwing game with its own tracker music")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${PROJECT_SOURCE_DIR}/dist/deb/description)
set(CPACK_PACKAGE_CONTACT ${SKARVO_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/skarvo/skarvo)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Read by the layout script, which runs inside CPack.
set(CPACK_SKARVO_DEB_DIR ${PROJECT_SOURCE_DIR}/dist/deb)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/dist/deb/layout.cmake)

include(CPack)
