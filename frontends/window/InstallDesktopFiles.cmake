# Run at install time (from Install.cmake's install(CODE)): writes the desktop
# entry qvuupdate.desktop, which starts the window program QVUUpdateWindow,
# and the polkit action com.quorvane.qvuupdate.policy, under which the window
# starts the engine QVUUpdate through pkexec, for the programs as installed
# under CMAKE_INSTALL_PREFIX (below DESTDIR, when set, as cpack does).
#
# Input: QVU_WINDOW_SOURCE (this folder), QVU_BINDIR and QVU_DATADIR (relative
# to the prefix, or absolute), QVU_POLKIT_ACTIONS_DIR (likewise).

# An absolute folder as installed, and where it is written (below DESTDIR).
function(qvu_installed_folder folder result)
    if(NOT IS_ABSOLUTE "${folder}")
        set(folder "${CMAKE_INSTALL_PREFIX}/${folder}")
    endif()
    set(${result} "${folder}" PARENT_SCOPE)
endfunction()

qvu_installed_folder("${QVU_BINDIR}" bindir)
qvu_installed_folder("${QVU_DATADIR}" datadir)
qvu_installed_folder("${QVU_POLKIT_ACTIONS_DIR}" actionsdir)
set(QVU_INSTALLED_ENGINE "${bindir}/QVUUpdate")
set(qvu_installed_window "${bindir}/QVUUpdateWindow")

# The engine's path goes into the polkit action unescaped.
if(QVU_INSTALLED_ENGINE MATCHES "[&<>]")
    message(FATAL_ERROR "The engine's installed path ${QVU_INSTALLED_ENGINE} holds "
                        "&, < or >, which the polkit action cannot name as they are")
endif()

# The desktop entry's Exec: an argument with a blank or a character the desktop
# entry format reserves goes in double quotes, with ", `, $ and \ escaped; the
# value's own escapes then double each backslash, and % is written %%.
set(qvu_exec_program "${qvu_installed_window}")
if(qvu_exec_program MATCHES "[] \t\"'\\\\<>~|&;$*?#()`[]")
    string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" qvu_exec_program "${qvu_exec_program}")
    set(qvu_exec_program "\"${qvu_exec_program}\"")
endif()
string(REPLACE "\\" "\\\\" qvu_exec_program "${qvu_exec_program}")
string(REPLACE "%" "%%" qvu_exec_program "${qvu_exec_program}")
set(QVU_DESKTOP_EXEC "${qvu_exec_program}")

foreach(entry "QVUUpdate.desktop.in|${datadir}/applications/qvuupdate.desktop"
              "com.quorvane.qvuupdate.policy.in|${actionsdir}/com.quorvane.qvuupdate.policy")
    string(REPLACE "|" ";" entry "${entry}")
    list(GET entry 0 template)
    list(GET entry 1 installed)
    set(written "$ENV{DESTDIR}${installed}")
    message(STATUS "Installing: ${written}")
    configure_file("${QVU_WINDOW_SOURCE}/${template}" "${written}" @ONLY)
    file(CHMOD "${written}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${written}")
endforeach()
