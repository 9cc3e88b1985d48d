# Desktop integration of the update manager's window: the menu entry, the
# program icon in the hicolor theme, and the polkit action under which pkexec
# starts the program as administrator with its window.
#
# Included from the top CMakeLists.txt after include(GNUInstallDirs). The
# program itself is installed there, to ${CMAKE_INSTALL_BINDIR}/QVUUpdate.

include(GNUInstallDirs)

set(QVU_INSTALLED_PROGRAM "${CMAKE_INSTALL_FULL_BINDIR}/QVUUpdate")

# polkit older than version 126 (Debian 12 has 122) reads actions from
# /usr/share/polkit-1/actions only: with another prefix, point this there.
set(QVU_POLKIT_ACTIONS_DIR "${CMAKE_INSTALL_DATADIR}/polkit-1/actions" CACHE STRING
    "Folder the polkit action of QVUUpdate is installed to (relative: under the prefix)")

# The path goes into the polkit action unescaped.
if(QVU_INSTALLED_PROGRAM MATCHES "[&<>]")
    message(FATAL_ERROR "The program's installed path ${QVU_INSTALLED_PROGRAM} holds "
                        "&, < or >, which the polkit action cannot name as they are")
endif()

# The desktop entry's Exec: an argument with a blank or a character the desktop
# entry format reserves goes in double quotes, with ", `, $ and \ escaped; the
# value's own escapes then double each backslash, and % is written %%.
set(qvu_exec_program "${QVU_INSTALLED_PROGRAM}")
if(qvu_exec_program MATCHES "[] \t\"'\\\\<>~|&;$*?#()`[]")
    string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" qvu_exec_program "${qvu_exec_program}")
    set(qvu_exec_program "\"${qvu_exec_program}\"")
endif()
string(REPLACE "\\" "\\\\" qvu_exec_program "${qvu_exec_program}")
string(REPLACE "%" "%%" qvu_exec_program "${qvu_exec_program}")
set(QVU_DESKTOP_EXEC "pkexec ${qvu_exec_program}")

set(qvu_window_source "${CMAKE_CURRENT_LIST_DIR}")
set(qvu_window_build "${CMAKE_BINARY_DIR}/frontends/window")

configure_file("${qvu_window_source}/QVUUpdate.desktop.in"
               "${qvu_window_build}/qvuupdate.desktop" @ONLY)
configure_file("${qvu_window_source}/com.quorvane.qvuupdate.policy.in"
               "${qvu_window_build}/com.quorvane.qvuupdate.policy" @ONLY)

install(FILES "${qvu_window_build}/qvuupdate.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")

foreach(size 16 24 32 48 64 128 256)
    install(FILES "${qvu_window_source}/icon/QVUUpdate-${size}.png"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps"
            RENAME qvuupdate.png)
endforeach()
install(FILES "${qvu_window_source}/icon/QVUUpdate.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps"
        RENAME qvuupdate.svg)

install(FILES "${qvu_window_build}/com.quorvane.qvuupdate.policy"
        DESTINATION "${QVU_POLKIT_ACTIONS_DIR}")
