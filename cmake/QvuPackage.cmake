# The Debian package: `cpack -G DEB` in the build folder (after building)
# writes quorvane-zelvo-update_<version>_<arch>.deb with what
# `cmake --install` installs, under /usr: the program, the tools, the exported
# libraries with their public headers, and the desktop entry, icons and
# polkit action, with the manual page and Debian's copyright and changelog.
# Its dependencies come from dpkg-shlibdeps (dpkg-dev).

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

# What Debian asks of every package besides the programs: the copyright, the
# changelog and the manual page, compressed as Debian wants them (gzip -9n: no
# name or time stamp), and the lintian findings the package answers for.
set(qvu_package_docs ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})
configure_file(${CMAKE_SOURCE_DIR}/docs/debian/changelog.in ${CMAKE_BINARY_DIR}/package/changelog
               @ONLY)
function(qvu_install_gzipped source destination)
    get_filename_component(name ${source} NAME)
    set(compressed ${CMAKE_BINARY_DIR}/package/${name}.gz)
    add_custom_command(OUTPUT ${compressed}
                       COMMAND sh -c "gzip -9nc \"$1\" >\"$2\"" gzip ${source} ${compressed}
                       DEPENDS ${source} VERBATIM)
    add_custom_target(qvu-gzip-${name} ALL DEPENDS ${compressed})
    install(FILES ${compressed} DESTINATION ${destination})
endfunction()
qvu_install_gzipped(${CMAKE_BINARY_DIR}/package/changelog ${qvu_package_docs})
qvu_install_gzipped(${CMAKE_SOURCE_DIR}/docs/man/QVUUpdate.1 ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/docs/debian/copyright DESTINATION ${qvu_package_docs})
install(FILES ${CMAKE_SOURCE_DIR}/docs/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${CPACK_PACKAGE_NAME})

include(CPack)
