# The Debian package (`make package`): what `cmake --install` puts under /usr,
# with the dependencies worked out from the binaries by dpkg-shlibdeps.

# The package takes the programs as the build made them instead of building
# every test first: `make package` builds what it installs.
set(CMAKE_SKIP_PACKAGE_ALL_DEPENDENCY ON)
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VENDOR "The Quorvane developers")
set(CPACK_PACKAGE_VERSION ${QUORVANE_VERSION})
set(CPACK_PACKAGE_CONTACT "The Quorvane developers <developers@quorvane.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "lap, sector, G-force and drift analysis for a GPS lap logger")
# The synopsis is the summary above; this is the extended description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Quorvane downloads the log of a GPS lap logger, cuts it into laps at a
start/finish line and compares up to four laps: lap and sector times,
speed and time difference over distance, a course map, G forces and a
friction circle, drift angles and scores, and an in-car video that follows
the cursor. Laps export as CSV, KML and NMEA; MoTeC CSV files import.
.
The package holds the window, the command-line tool quorvane-cli and demo
logs with their control line, track map and sector gates.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QUORVANE_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The documents folder is asked of xdg-user-dir, else it is ~/Documents.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-user-dirs)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/installed_size.cmake)
include(CPack)
