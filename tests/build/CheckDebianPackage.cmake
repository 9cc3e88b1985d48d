# The Debian packages (cmake -P): cpack -G DEB builds them from the built
# tree: quorvane-zelvo-update, the engine with the tools and the exported
# libraries and their public headers, and, with the window (WITH_WINDOW),
# quorvane-zelvo-update-window, the window program with the desktop entry,
# icons and polkit action. Each holds its own files and no other's, the
# engine's depends on no window toolkit, the window's on the engine of its
# very version, and, unpacked (dpkg-deb -x) into a scratch root under /usr,
# the programs run from there, finding their libraries beside them.
#
#   cmake -DBINARY_DIR=... -DSOURCE_DIR=... -DVERSION=... -DLIBRARY_DIR=... \
#         -DWITH_WINDOW=ON|OFF -DWORK=... -P CheckDebianPackage.cmake

cmake_minimum_required(VERSION 3.25)

foreach(tool dpkg-deb dpkg-shlibdeps)
    find_program(found_${tool} ${tool})
    if(NOT found_${tool})
        message(STATUS "SKIPPED: ${tool} is missing (Debian package dpkg-dev)")
        return()
    endif()
endforeach()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output
                    ERROR_VARIABLE errors)
    if(NOT status EQUAL 0)
        string(REPLACE ";" " " command "${ARGN}")
        message(FATAL_ERROR "${command} failed (${status}):\n${output}${errors}")
    endif()
    set(output "${output}" PARENT_SCOPE)
endfunction()

set(engine quorvane-zelvo-update)
set(window quorvane-zelvo-update-window)
set(packages engine)
if(WITH_WINDOW)
    list(APPEND packages window)
endif()

# The packages go into the work folder, with cpack's own files; nothing but
# them: an install rule outside the two components would make a third.
execute_process(COMMAND ${CMAKE_CPACK_COMMAND} -G DEB --config ${BINARY_DIR}/CPackConfig.cmake
                        -B ${WORK}
                WORKING_DIRECTORY ${BINARY_DIR}
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
file(GLOB made RELATIVE ${WORK} ${WORK}/*.deb)
set(expected_made)
foreach(name ${packages})
    file(GLOB ${name}_deb ${WORK}/${${name}}_${VERSION}_*.deb)
    list(APPEND expected_made ${${name}}_${VERSION}_)
endforeach()
string(REGEX REPLACE "_[^_;]+\\.deb" "_" made_names "${made}")
list(SORT made_names)
list(SORT expected_made)
if(NOT status EQUAL 0 OR NOT made_names STREQUAL expected_made)
    message(FATAL_ERROR "cpack -G DEB made \"${made}\" instead of packages "
                        "\"${expected_made}\":\n${output}${errors}")
endif()

# The control fields: the engine's dependencies come from its programs and
# libraries, none of them a window toolkit or web engine; the window's start
# with the engine of exactly this version.
set(engine_fields "Package: ${engine}\n" "Version: ${VERSION}\n" "Depends: [^\n]*libc6"
                  "Depends: [^\n]*libcurl4" "Depends: [^\n]*libsqlite3-0")
set(engine_refused
    "Depends: ([^\n]*[ ,])?(libwx|libgtk|libwebkit|libjavascriptcore|libsoup|libgdk)")
set(window_fields "Package: ${window}\n" "Version: ${VERSION}\n"
                  "Depends: ([^\n]*, )?${engine} \\(= ${VERSION}\\)(,|\n)")
foreach(name ${packages})
    run(dpkg-deb --field ${${name}_deb} Package Version Depends)
    foreach(field ${${name}_fields})
        if(NOT output MATCHES "${field}")
            message(FATAL_ERROR "the control fields of ${${name}} lack \"${field}\":\n${output}")
        endif()
    endforeach()
    if(DEFINED ${name}_refused AND output MATCHES "${${name}_refused}")
        message(FATAL_ERROR
                "the control fields of ${${name}} hold \"${CMAKE_MATCH_0}\":\n${output}")
    endif()
endforeach()

# Debian's own checks of the packages, where lintian is installed.
find_program(found_lintian lintian)
if(found_lintian)
    set(debs)
    foreach(name ${packages})
        list(APPEND debs ${${name}_deb})
    endforeach()
    run(${found_lintian} --fail-on error,warning ${debs})
else()
    message(STATUS "lintian is missing: the packages go unchecked by it")
endif()

# What each package holds (under its scratch root), as Debian wants it: the
# programs, the copyright and changelog in its own doc folder, manual pages.
set(engine_files
    usr/bin/QVUUpdate usr/bin/qvu-reg usr/bin/qvu-verdll usr/bin/qvu-server
    usr/bin/qvu-msiexec usr/bin/qvu-zlib
    usr/${LIBRARY_DIR}/libqvukx.so usr/${LIBRARY_DIR}/libqvuplatform.so
    usr/share/doc/${engine}/copyright usr/share/doc/${engine}/changelog.gz
    usr/share/man/man1/QVUUpdate.1.gz usr/share/lintian/overrides/${engine})
foreach(dir platform base settings tracelog)
    file(GLOB public RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${dir}/*.h)
    foreach(header ${public})
        list(APPEND engine_files usr/include/quorvane/${header})
    endforeach()
endforeach()
set(window_files
    usr/bin/QVUUpdateWindow
    usr/share/doc/${window}/copyright usr/share/doc/${window}/changelog.gz
    usr/share/man/man1/QVUUpdateWindow.1.gz
    usr/share/applications/qvuupdate.desktop
    usr/share/polkit-1/actions/com.quorvane.qvuupdate.policy
    usr/share/icons/hicolor/48x48/apps/qvuupdate.png
    usr/share/icons/hicolor/scalable/apps/qvuupdate.svg)
foreach(name ${packages})
    set(${name}_root ${WORK}/${name})
    run(dpkg-deb -x ${${name}_deb} ${${name}_root})
    foreach(file ${${name}_files})
        if(NOT EXISTS ${${name}_root}/${file})
            run(dpkg-deb --contents ${${name}_deb})
            message(FATAL_ERROR "${${name}} lacks /${file}; it holds:\n${output}")
        endif()
    endforeach()
endforeach()
# Both install side by side: no file is in both, and the engine's holds
# nothing of the desktop.
if(WITH_WINDOW)
    file(GLOB_RECURSE engine_held RELATIVE ${engine_root} ${engine_root}/*)
    file(GLOB_RECURSE window_held RELATIVE ${window_root} ${window_root}/*)
    set(shared)
    foreach(file ${engine_held})
        if(file IN_LIST window_held)
            list(APPEND shared /${file})
        endif()
    endforeach()
    if(shared)
        message(FATAL_ERROR "${engine} and ${window} both hold: ${shared}")
    endif()
endif()
foreach(file usr/bin/QVUUpdateWindow usr/share/man/man1/QVUUpdateWindow.1.gz
             usr/share/applications/qvuupdate.desktop
             usr/share/polkit-1/actions/com.quorvane.qvuupdate.policy
             usr/share/icons/hicolor/48x48/apps/qvuupdate.png)
    if(EXISTS ${engine_root}/${file})
        message(FATAL_ERROR "${engine} holds /${file}, which is the window's")
    endif()
endforeach()

if(WITH_WINDOW)
    # The desktop entry starts the window program as the desktop's user; the
    # window starts the engine through pkexec under the polkit action, which
    # names the engine where the package puts it and gives it no display.
    file(READ ${window_root}/usr/share/applications/qvuupdate.desktop desktop)
    file(READ ${window_root}/usr/share/polkit-1/actions/com.quorvane.qvuupdate.policy policy)
    if(NOT desktop MATCHES "\nExec=/usr/bin/QVUUpdateWindow\n")
        message(FATAL_ERROR
                "the desktop entry does not start /usr/bin/QVUUpdateWindow:\n${desktop}")
    endif()
    if(NOT policy MATCHES "\"org.freedesktop.policykit.exec.path\">/usr/bin/QVUUpdate</annotate>"
       OR policy MATCHES "policykit\\.exec\\.allow_gui")
        message(FATAL_ERROR "the polkit action does not name the engine /usr/bin/QVUUpdate "
                            "alone, without a display:\n${policy}")
    endif()
    # Every start asks for the password: a kept authorization would let the same
    # launcher run the engine as root again, with arguments of its choice.
    string(REGEX MATCHALL "<allow_[a-z]+>[^<]*" answers "${policy}")
    if(NOT answers STREQUAL
       "<allow_any>auth_admin;<allow_inactive>auth_admin;<allow_active>auth_admin")
        message(FATAL_ERROR "the polkit action does not ask for the password each time:\n${policy}")
    endif()
    # Installed together: the window's libraries are the engine package's.
    run(dpkg-deb -x ${window_deb} ${engine_root})
endif()

# The unpacked programs run with the unpacked libraries, found by their
# relative run path, not by a search path or an installed copy.
set(root ${engine_root})
set(ENV{LD_LIBRARY_PATH} "")
set(ENV{QVU_ROOT} ${WORK}/machine)
file(MAKE_DIRECTORY ${WORK}/machine)
set(programs QVUUpdate)
if(WITH_WINDOW)
    list(APPEND programs QVUUpdateWindow)
endif()
foreach(program ${programs})
    run(ldd ${root}/usr/bin/${program})
    foreach(library libqvukx.so libqvuplatform.so)
        if(NOT output MATCHES "${library} => ${root}/usr/(bin/\\.\\./)?${LIBRARY_DIR}/${library}")
            message(FATAL_ERROR "${program} does not load the unpacked ${library}:\n${output}")
        endif()
    endforeach()
    if(output MATCHES "not found")
        message(FATAL_ERROR "${program} misses libraries:\n${output}")
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
