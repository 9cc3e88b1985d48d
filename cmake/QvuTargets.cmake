# Small helpers so that adding a source file, a tool or a test never needs an
# edit of the build files: sources are found by folder.

# qvu_add_library(NAME SHARED|STATIC DIR... [EXCLUDE SUBDIR...]): a library of
# every .cpp in DIRs and their subfolders, but those under the EXCLUDE
# folders (a library of their own). A folder without sources is a mistake in
# the list (a subsystem that does not exist yet, a misspelt name): the
# configuration fails.
function(qvu_add_library name kind)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "EXCLUDE")
    set(sources)
    foreach(dir ${arg_UNPARSED_ARGUMENTS})
        file(GLOB_RECURSE dir_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
        if(NOT dir_sources)
            message(FATAL_ERROR "qvu_add_library(${name}): folder ${dir}/ has no .cpp files")
        endif()
        list(APPEND sources ${dir_sources})
    endforeach()
    foreach(excluded ${arg_EXCLUDE})
        list(FILTER sources EXCLUDE REGEX "^${CMAKE_SOURCE_DIR}/${excluded}/")
    endforeach()
    add_library(${name} ${kind} ${sources})
endfunction()

# qvu_add_tools(DIR): every subfolder DIR/NAME with .cpp files is the program NAME,
# installed to the programs' folder with the engine (install component engine). A subfolder may hold a CMakeLists.txt of
# its own instead, for special needs, that makes the program NAME.
function(qvu_add_tools dir)
    add_custom_target(qvu-tools)
    file(GLOB entries LIST_DIRECTORIES true ${CMAKE_SOURCE_DIR}/${dir}/*)
    foreach(entry ${entries})
        if(NOT IS_DIRECTORY ${entry})
            continue()
        endif()
        get_filename_component(tool ${entry} NAME)
        if(EXISTS ${entry}/CMakeLists.txt)
            add_subdirectory(${entry})
            add_dependencies(qvu-tools ${tool})
            install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT engine)
            continue()
        endif()
        file(GLOB tool_sources CONFIGURE_DEPENDS ${entry}/*.cpp)
        if(NOT tool_sources)
            message(FATAL_ERROR "qvu_add_tools: ${entry} has neither .cpp files nor a CMakeLists.txt")
        endif()
        add_executable(${tool} ${tool_sources})
        target_link_libraries(${tool} PRIVATE qvuapp)
        add_dependencies(qvu-tools ${tool})
        install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT engine)
    endforeach()
endfunction()
