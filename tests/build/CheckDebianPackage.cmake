# The Debian package (cmake -P): cpack -G DEB builds it from the built tree,
# it unpacks (dpkg-deb -x) into a scratch root with the program, the tools,
# the exported libraries and their public headers, the desktop entry, icons
# and polkit action under /usr, and the unpacked programs run from there,
# finding their libraries beside them.
#
#   cmake -DBINARY_DIR=... -DSOURCE_DIR=... -DVERSION=... -DLIBRARY_DIR=... -DWORK=... \
#         -P CheckDebianPackage.cmake

foreach(tool dpkg-deb dpkg-shlibdeps)
    find_program(found_${tool} ${tool})
    if(NOT found_${tool})
        message(STATUS "SKIPPED: ${tool} is missing (Debian package dpkg-dev)")
        return()
    endif()
endforeach()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

# The package goes into the work folder, with cpack's own files.
execute_process(COMMAND ${CMAKE_CPACK_COMMAND} -G DEB --config ${BINARY_DIR}/CPackConfig.cmake
                        -B ${WORK}
                WORKING_DIRECTORY ${BINARY_DIR}
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
file(GLOB package ${WORK}/quorvane-zelvo-update_${VERSION}_*.deb)
if(NOT status EQUAL 0 OR NOT package)
    message(FATAL_ERROR "cpack -G DEB failed:\n${output}${errors}")
endif()

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output
                    ERROR_VARIABLE errors)
    if(NOT status EQUAL 0)
        string(REPLACE ";" " " command "${ARGN}")
        message(FATAL_ERROR "${command} failed (${status}):\n${output}${errors}")
    endif()
    set(output "${output}" PARENT_SCOPE)
endfunction()

# Its control fields: the dependencies found for the programs and libraries.
run(dpkg-deb --field ${package} Package Version Depends)
foreach(field "Package: quorvane-zelvo-update" "Version: ${VERSION}" "Depends: .*libc6"
              "Depends: .*libcurl4" "Depends: .*libsqlite3-0")
    if(NOT output MATCHES "${field}")
        message(FATAL_ERROR "the package's control fields lack \"${field}\":\n${output}")
    endif()
endforeach()

# Debian's own checks of the package, where lintian is installed.
find_program(found_lintian lintian)
if(found_lintian)
    run(${found_lintian} --fail-on error,warning ${package})
endif()

set(root ${WORK}/root)
run(dpkg-deb -x ${package} ${root})
set(expected
    usr/bin/QVUUpdate usr/bin/qvu-reg usr/bin/qvu-verdll usr/bin/qvu-server
    usr/bin/qvu-msiexec usr/bin/qvu-zlib
    usr/${LIBRARY_DIR}/libqvukx.so usr/${LIBRARY_DIR}/libqvuplatform.so
    usr/share/doc/quorvane-zelvo-update/copyright usr/share/doc/quorvane-zelvo-update/changelog.gz
    usr/share/man/man1/QVUUpdate.1.gz
    usr/share/applications/qvuupdate.desktop
    usr/share/polkit-1/actions/com.quorvane.qvuupdate.policy
    usr/share/icons/hicolor/48x48/apps/qvuupdate.png
    usr/share/icons/hicolor/scalable/apps/qvuupdate.svg)
foreach(dir platform base settings tracelog)
    file(GLOB public RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${dir}/*.h)
    foreach(header ${public})
        list(APPEND expected usr/include/quorvane/${header})
    endforeach()
endforeach()
foreach(file ${expected})
    if(NOT EXISTS ${root}/${file})
        run(dpkg-deb --contents ${package})
        message(FATAL_ERROR "the package lacks /${file}; it holds:\n${output}")
    endif()
endforeach()

# The desktop entry and the polkit action name the program where the package puts it.
file(READ ${root}/usr/share/applications/qvuupdate.desktop desktop)
file(READ ${root}/usr/share/polkit-1/actions/com.quorvane.qvuupdate.policy policy)
if(NOT desktop MATCHES "\nExec=pkexec /usr/bin/QVUUpdate\n" OR
   NOT policy MATCHES ">/usr/bin/QVUUpdate</annotate>")
    message(FATAL_ERROR "the desktop files do not name /usr/bin/QVUUpdate:\n${desktop}\n${policy}")
endif()
# Every start asks for the password: a kept authorization would let the same
# launcher run the program as root again, with arguments of its choice.
string(REGEX MATCHALL "<allow_[a-z]+>[^<]*" answers "${policy}")
if(NOT answers STREQUAL "<allow_any>auth_admin;<allow_inactive>auth_admin;<allow_active>auth_admin")
    message(FATAL_ERROR "the polkit action does not ask for the password each time:\n${policy}")
endif()

# The unpacked programs run with the unpacked libraries, found by their
# relative run path, not by a search path or an installed copy.
set(ENV{LD_LIBRARY_PATH} "")
set(ENV{QVU_ROOT} ${WORK}/machine)
file(MAKE_DIRECTORY ${WORK}/machine)
run(ldd ${root}/usr/bin/QVUUpdate)
foreach(library libqvukx.so libqvuplatform.so)
    if(NOT output MATCHES "${library} => ${root}/usr/(bin/\\.\\./)?${LIBRARY_DIR}/${library}")
        message(FATAL_ERROR "QVUUpdate does not load the unpacked ${library}:\n${output}")
    endif()
endforeach()
run(${root}/usr/bin/QVUUpdate --version)
if(NOT output STREQUAL "QVUUpdate (Quorvane Zelvo Update) ${VERSION}\n")
    message(FATAL_ERROR "QVUUpdate --version printed:\n${output}")
endif()
run(${root}/usr/bin/qvu-reg add "HKCU\\Software\\Package Check" /v Name /d "from the package" /f)
run(${root}/usr/bin/qvu-reg query "HKCU\\Software\\Package Check" /v Name)
if(NOT output MATCHES "Name +REG_SZ +from the package")
    message(FATAL_ERROR "qvu-reg query printed:\n${output}")
endif()
run(${root}/usr/bin/qvu-verdll --fixed 5.1.0.0 "Package check" ${WORK}/check.dll)
run(${root}/usr/bin/qvu-verdll --show ${WORK}/check.dll)
if(NOT output MATCHES "Fixed: 5.1.0.0")
    message(FATAL_ERROR "qvu-verdll --show printed:\n${output}")
endif()
file(REMOVE_RECURSE ${WORK})
