# `make package`: one Debian package, vexmoor, of what cmake/Install.cmake
# installs. Its dependencies are read from the programs by dpkg-shlibdeps, so
# the package asks for exactly the libraries they were linked with.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vexmoor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Orrindale Software")
set(CPACK_PACKAGE_CONTACT "Orrindale Software <support@orrindale.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.orrindale.example/vexmoor")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "trace console for PL/SQL dbms_pipe messages")
# Lines of at most 80 characters, as Debian's control files want them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Stored PL/SQL code writes trace messages into a dbms_pipe pipe, through the"
  "procedures SendDebugMessage and SendTraceMessage that Vexmoor installs, or by"
  "packing typed items itself. Vexmoor logs on once, drains the pipe on a timer"
  "and appends every message to a log window that can be saved, opened and"
  "printed."
  "An embedded engine behaves like Oracle's pipes where no Oracle database is at"
  "hand; the console program vexmoor-cli brings the same tracing to terminals,"
  "scripts and CI jobs. Oracle is reached through Oracle's own client library,"
  "which is not part of this package.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt draws the SVG icons and toolbar images through plugins it loads at run
# time, so no linked library names them.
if(VEXMOOR_BUILD_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
endif()
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
