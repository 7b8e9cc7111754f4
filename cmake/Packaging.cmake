# `make package`: a Debian package talmir_<version>_amd64.deb in the build
# folder, installing under /usr, its dependencies computed by dpkg-shlibdeps
# from the binaries it holds.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME talmir)
set(CPACK_PACKAGE_VERSION "${TALMIR_VERSION}")
set(CPACK_PACKAGE_VENDOR "TALMIR developers")
set(CPACK_PACKAGE_CONTACT "TALMIR developers <talmir@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "engineering tool for the TALMIR angle encoder chip over a USB MPSSE adapter")
set(CPACK_PACKAGE_DESCRIPTION
    "Identifies the TALMIR chip, reads and writes its configuration registers, acquires and plots angle data and the sine/cosine channels, and logs them to files. Works with FTDI FT232H, FT2232H and FT4232H adapters through its own MPSSE library over libftdi1, or without hardware on the simulated adapter (talmir --demo).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX "${CMAKE_BINARY_DIR}")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs a Qt platform plugin, which no binary links; the Python
# module needs the interpreter it was built for and numpy, which it imports.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
if(TALMIR_PYTHON_DEPENDS)
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", ${TALMIR_PYTHON_DEPENDS}")
endif()
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    "${CMAKE_BINARY_DIR}/packaging/postinst;${CMAKE_BINARY_DIR}/packaging/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
