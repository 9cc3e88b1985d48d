# Desktop integration of the update manager's window: the menu entry, the
# program icon in the hicolor theme, and the polkit action under which pkexec
# starts the program as administrator with its window.
#
# Included from the top CMakeLists.txt after include(GNUInstallDirs). The
# program itself is installed there, to ${CMAKE_INSTALL_BINDIR}/QVUUpdate.

include(GNUInstallDirs)

# polkit older than version 126 (Debian 12 has 122) reads actions from
# /usr/share/polkit-1/actions only: with another prefix, point this there.
set(QVU_POLKIT_ACTIONS_DIR "${CMAKE_INSTALL_DATADIR}/polkit-1/actions" CACHE STRING
    "Folder the polkit action of QVUUpdate is installed to (relative: under the prefix)")

set(qvu_window_source "${CMAKE_CURRENT_LIST_DIR}")

# The desktop entry and the polkit action name the installed program, whose
# path is only known when installing: cmake --install --prefix and a package
# (cpack installs under the package's prefix, /usr) choose it then. They are
# written by InstallDesktopFiles.cmake at that time.
install(CODE "
    set(QVU_WINDOW_SOURCE \"${qvu_window_source}\")
    set(QVU_BINDIR \"${CMAKE_INSTALL_BINDIR}\")
    set(QVU_DATADIR \"${CMAKE_INSTALL_DATADIR}\")
    set(QVU_POLKIT_ACTIONS_DIR \"${QVU_POLKIT_ACTIONS_DIR}\")
    include(\"${qvu_window_source}/InstallDesktopFiles.cmake\")
")

foreach(size 16 24 32 48 64 128 256)
    install(FILES "${qvu_window_source}/icon/QVUUpdate-${size}.png"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps"
            RENAME qvuupdate.png)
endforeach()
install(FILES "${qvu_window_source}/icon/QVUUpdate.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps"
        RENAME qvuupdate.svg)
