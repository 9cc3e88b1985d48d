# The build's promises about the tree, checked as a test (cmake -P):
# - only public headers are installed, and each compiles on its own from the
#   installed tree (none reaches into an internal header);
# - a library listed with a folder that has no sources fails the configuration;
# - the views know the run only through the front-end protocol: nothing in
#   frontends/ includes from update/ or products/, and the window's code
#   includes from app/ only the protocol and the dialog templates.
#
#   cmake -DBINARY_DIR=... -DSOURCE_DIR=... -DCXX=... -DWORK=... -P CheckLayout.cmake

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

execute_process(COMMAND ${CMAKE_COMMAND} --install ${BINARY_DIR} --prefix ${WORK}/prefix
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
set(include_root ${WORK}/prefix/include/quorvane)
file(GLOB_RECURSE installed RELATIVE ${include_root} ${include_root}/*)
set(expected)
foreach(dir platform base settings tracelog)
    file(GLOB public RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${dir}/*.h)
    list(APPEND expected ${public})
endforeach()
list(SORT installed)
list(SORT expected)
if(NOT installed STREQUAL expected)
    message(FATAL_ERROR "installed headers:\n${installed}\nexpected:\n${expected}")
endif()
foreach(header ${installed})
    file(WRITE ${WORK}/check.cpp "#include \"${header}\"\n")
    execute_process(COMMAND ${CXX} -std=c++20 -fsyntax-only -I${include_root} ${WORK}/check.cpp
                    RESULT_VARIABLE status ERROR_VARIABLE errors)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${header} does not compile on its own:\n${errors}")
    endif()
endforeach()

file(GLOB_RECURSE view_sources ${SOURCE_DIR}/frontends/*.cpp ${SOURCE_DIR}/frontends/*.h)
foreach(source ${view_sources})
    file(STRINGS ${source} includes REGEX "^#include \"(update|products)/")
    if(includes)
        message(FATAL_ERROR "${source} reaches past the front-end protocol: ${includes}")
    endif()
    if(source MATCHES "/frontends/window/|/frontends/QVUUpdateWindow.cpp$")
        file(STRINGS ${source} includes REGEX "^#include \"app/")
        list(FILTER includes EXCLUDE REGEX "\"app/(protocol/|DialogTemplates.h)")
        if(includes)
            message(FATAL_ERROR "${source} knows more of the run than the protocol: ${includes}")
        endif()
    endif()
endforeach()

file(MAKE_DIRECTORY ${WORK}/project/cmake ${WORK}/project/empty)
file(COPY ${SOURCE_DIR}/cmake/QvuTargets.cmake DESTINATION ${WORK}/project/cmake)
file(WRITE ${WORK}/project/CMakeLists.txt
     "cmake_minimum_required(VERSION 3.25)\nproject(check LANGUAGES CXX)\n"
     "include(cmake/QvuTargets.cmake)\nqvu_add_library(nothing STATIC empty)\n")
execute_process(COMMAND ${CMAKE_COMMAND} -S ${WORK}/project -B ${WORK}/project/build
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(status EQUAL 0 OR NOT errors MATCHES "folder empty/ has no .cpp files")
    message(FATAL_ERROR "a folder without sources was accepted:\n${errors}")
endif()
file(REMOVE_RECURSE ${WORK})
