# The Debian packages: `cpack -G DEB` in the build folder (after building)
# writes one package per install component, under /usr:
#
# - quorvane-zelvo-update_<version>_<arch>.deb (component engine): the engine
#   QVUUpdate with its console, the tools, the exported libraries with their
#   public headers, and the engine's manual page. It links no window toolkit
#   and depends on none: a machine without a desktop installs only this.
# - quorvane-zelvo-update-window_<version>_<arch>.deb (component window): the
#   window program QVUUpdateWindow, run as the desktop's user, with its manual
#   page, the desktop entry, the icons and the polkit action under which the
#   window starts the engine. It depends on the engine package of exactly its
#   own version, whose libraries it loads and whose engine it starts. Built
#   only with QVU_WITH_WINDOW.
#
# Each carries Debian's copyright and changelog in its own doc folder. Their
# library dependencies come from dpkg-shlibdeps (dpkg-dev).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane-zelvo-update)
set(CPACK_PACKAGE_VENDOR Kaltrex)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Kaltrex <support@kaltrex.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The packages' programs carry no debugging information.
set(CPACK_STRIP_FILES ON)

# One package per install component; the components are those the install
# rules name, so that a build without the window makes only the engine's.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING IGNORE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE ${CPACK_PACKAGE_NAME})
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window program loads the exported libraries of the engine package,
# which is not part of the window's staging tree: dpkg-shlibdeps finds them in
# the build tree, and the window's dependency on the engine package covers them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})

# The engine's package is the main one: its name, description and relations
# are the defaults, which a build without the window (one component, so one
# package made as a whole) uses too. Each description is a summary line, then
# the text; the shared summary is left unset, or CPack would put it before both.
set(CPACK_DEBIAN_ENGINE_PACKAGE_NAME ${CPACK_PACKAGE_NAME})
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Update manager of the Quorvane products\n"
    "QVUUpdate finds the installed Quorvane products, checks the update server\n"
    "for their updates, downloads the package and hands it to the Windows\n"
    "Installer. It runs as administrator, at the console or behind the window\n"
    "of the package quorvane-zelvo-update-window, and needs no desktop.\n"
    "With the tools qvu-reg, qvu-verdll, qvu-server, qvu-msiexec and qvu-zlib,\n"
    "and the in-house libraries libqvukx and libqvuplatform with their headers.")
# qvu-msiexec unpacks packages with msiextract.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "msitools")

set(CPACK_DEBIAN_WINDOW_PACKAGE_NAME ${CPACK_PACKAGE_NAME}-window)
string(CONCAT CPACK_DEBIAN_WINDOW_DESCRIPTION
    "Window of the update manager of the Quorvane products\n"
    "QVUUpdateWindow shows the update run of the engine QVUUpdate on the\n"
    "desktop, with the product's page. It runs as the desktop's user and starts\n"
    "the engine as administrator through pkexec, which asks for an\n"
    "administrator's password. With the desktop menu's entry, the icons and the\n"
    "polkit action.")
# The engine package of exactly this version (Depends: quorvane-zelvo-update
# (= <version>)): the window speaks its protocol and loads its libraries.
set(CPACK_COMPONENT_WINDOW_DEPENDS engine)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# The window starts the engine through pkexec and opens pages in the default
# browser through xdg-open; the toolkit's own texts come in the user's
# language from wx3.2-i18n, and the page view's sandbox needs bubblewrap.
set(CPACK_DEBIAN_WINDOW_PACKAGE_RECOMMENDS "pkexec, xdg-utils, wx3.2-i18n, bubblewrap")
set(CPACK_DEBIAN_WINDOW_PACKAGE_SUGGESTS "")

# What Debian asks of every package besides the programs: the copyright, the
# changelog and the manual pages, compressed as Debian wants them (gzip -9n: no
# name or time stamp), and the lintian findings the package answers for.
configure_file(${CMAKE_SOURCE_DIR}/docs/debian/changelog.in ${CMAKE_BINARY_DIR}/package/changelog
               @ONLY)
function(qvu_gzipped source result)
    get_filename_component(name ${source} NAME)
    set(compressed ${CMAKE_BINARY_DIR}/package/${name}.gz)
    add_custom_command(OUTPUT ${compressed}
                       COMMAND sh -c "gzip -9nc \"$1\" >\"$2\"" gzip ${source} ${compressed}
                       DEPENDS ${source} VERBATIM)
    add_custom_target(qvu-gzip-${name} ALL DEPENDS ${compressed})
    set(${result} ${compressed} PARENT_SCOPE)
endfunction()
qvu_gzipped(${CMAKE_BINARY_DIR}/package/changelog qvu_changelog)

# qvu_package_docs(COMPONENT PACKAGE): the copyright and changelog of the
# component's package, in the package's own doc folder.
function(qvu_package_docs component package)
    set(docs ${CMAKE_INSTALL_DATADIR}/doc/${package})
    install(FILES ${CMAKE_SOURCE_DIR}/docs/debian/copyright ${qvu_changelog} DESTINATION ${docs}
            COMPONENT ${component})
endfunction()

qvu_package_docs(engine ${CPACK_DEBIAN_ENGINE_PACKAGE_NAME})
qvu_gzipped(${CMAKE_SOURCE_DIR}/docs/man/QVUUpdate.1 qvu_engine_manual)
install(FILES ${qvu_engine_manual} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT engine)
install(FILES ${CMAKE_SOURCE_DIR}/docs/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME ${CPACK_DEBIAN_ENGINE_PACKAGE_NAME} COMPONENT engine)

if(QVU_WITH_WINDOW)
    qvu_package_docs(window ${CPACK_DEBIAN_WINDOW_PACKAGE_NAME})
    qvu_gzipped(${CMAKE_SOURCE_DIR}/docs/man/QVUUpdateWindow.1 qvu_window_manual)
    install(FILES ${qvu_window_manual} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
            COMPONENT window)
endif()

include(CPack)
