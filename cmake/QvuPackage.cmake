# The Debian package: `cpack -G DEB` in the build folder (after building)
# writes quorvane-zelvo-update_<version>_<arch>.deb with what
# `cmake --install` installs, under /usr: the program, the tools, the exported
# libraries with their public headers, and the desktop entry, icons and
# polkit action. Its dependencies come from dpkg-shlibdeps (dpkg-dev).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane-zelvo-update)
set(CPACK_PACKAGE_VENDOR Kaltrex)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Kaltrex <support@kaltrex.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Update manager of the Quorvane products")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "QVUUpdate finds the installed Quorvane products, checks the update server\n"
    "for their updates, downloads the package and hands it to the Windows\n"
    "Installer. With the tools qvu-reg, qvu-verdll, qvu-server, qvu-msiexec and\n"
    "qvu-zlib, and the in-house libraries libqvukx and libqvuplatform with their\n"
    "headers.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The package's programs carry no debugging information.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The desktop entry starts the program through pkexec; pages open in the
# default browser through xdg-open; qvu-msiexec unpacks packages with msiextract.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pkexec, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "msitools")

include(CPack)
