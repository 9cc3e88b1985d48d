# Desktop integration of the update manager's window: the menu entry, which
# starts the window program QVUUpdateWindow as the desktop's user, the program
# icon in the hicolor theme, and the polkit action under which the window
# starts the engine QVUUpdate as administrator through pkexec.
#
# Included from the top CMakeLists.txt after include(GNUInstallDirs). The
# programs themselves are installed there, to ${CMAKE_INSTALL_BINDIR}. All of
# this belongs to the install component window (the package
# quorvane-zelvo-update-window).

include(GNUInstallDirs)

# polkit older than version 126 (Debian 12 has 122) reads actions from
# /usr/share/polkit-1/actions only: with another prefix, point this there.
set(QVU_POLKIT_ACTIONS_DIR "${CMAKE_INSTALL_DATADIR}/polkit-1/actions" CACHE STRING
    "Folder the polkit action for starting QVUUpdate is installed to (relative: under the prefix)")

set(qvu_window_source "${CMAKE_CURRENT_LIST_DIR}")

# The desktop entry and the polkit action name the installed programs, whose
# path is only known when installing: cmake --install --prefix and a package
# (cpack installs under the package's prefix, /usr) choose it then. They are
# written by InstallDesktopFiles.cmake at that time.
install(CODE "
    set(QVU_WINDOW_SOURCE \"${qvu_window_source}\")
    set(QVU_BINDIR \"${CMAKE_INSTALL_BINDIR}\")
    set(QVU_DATADIR \"${CMAKE_INSTALL_DATADIR}\")
    set(QVU_POLKIT_ACTIONS_DIR \"${QVU_POLKIT_ACTIONS_DIR}\")
    include(\"${qvu_window_source}/InstallDesktopFiles.cmake\")
" COMPONENT window)

foreach(size 16 24 32 48 64 128 256)
    install(FILES "${qvu_window_source}/icon/QVUUpdate-${size}.png"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps"
            RENAME qvuupdate.png COMPONENT window)
endforeach()
install(FILES "${qvu_window_source}/icon/QVUUpdate.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps"
        RENAME qvuupdate.svg COMPONENT window)
