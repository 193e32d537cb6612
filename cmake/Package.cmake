# The Debian package, built by CPack from the install rules in Install.cmake.
# scripts/package configures a Release tree with the /usr prefix and runs cpack in it.

set(TALLYVOLT_PACKAGE_MAINTAINER "Tallyvolt maintainers <maintainers@tallyvolt.org>"
    CACHE STRING "The Maintainer field of the Debian package")

# Values reach CPackConfig.cmake exactly as written here, newlines and backslashes included.
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tallyvolt)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tallyvolt")
set(CPACK_PACKAGE_CONTACT "${TALLYVOLT_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://tallyvolt.org")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "battery drain logger for laptops")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${CPACK_PACKAGE_HOMEPAGE_URL}")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries the programs link against come from dpkg-shlibdeps. PLplot opens its output
# drivers at run time, so the one tallyvolt-report draws SVG and PNG files with is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "plplot-driver-cairo")
# The summary above becomes the first line; CPack indents these lines for the control file.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Tallyvolt samples the battery and the processor load on a fixed period,
appends one delimited record per sample to a plain text log, and shows the
charge, the processor usage and the burn rate in a small window that can hide
in the system tray. Settings come from tallyvolt.ini in the folder the program
is started from.

tallyvolt-report summarises the runs in a log, exports them as CSV or JSON and
draws charts of charge and processor usage.")

# Manual pages go into the package compressed, as Debian installs them.
set(CPACK_CUSTOM_INSTALL_VARIABLES "TALLYVOLT_COMPRESS_MAN_PAGES=ON")

# `package_source` would otherwise sweep up build trees and the repository's history.
set(CPACK_SOURCE_GENERATOR TXZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\.git/" "/build[^/]*/" "/out/")

include(CPack)
