# Small helpers so that adding a source file, a tool or a test never needs an
# edit of the build files: sources are found by folder.

# qvu_add_library(NAME SHARED|STATIC DIR...): a library of every .cpp in DIRs.
# A folder that has no sources yet gives an interface library, so the targets
# above it link either way.
function(qvu_add_library name kind)
    set(sources)
    foreach(dir ${ARGN})
        file(GLOB dir_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
        list(APPEND sources ${dir_sources})
    endforeach()
    if(sources)
        add_library(${name} ${kind} ${sources})
        if(EXISTS ${CMAKE_SOURCE_DIR}/cmake/${name}.cmake)
            include(${CMAKE_SOURCE_DIR}/cmake/${name}.cmake)
        endif()
    else()
        add_library(${name} INTERFACE)
    endif()
endfunction()

# qvu_link(TARGET VISIBILITY LIBS...): target_link_libraries that also works
# for the interface stand-ins of empty folders.
function(qvu_link target visibility)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_link_libraries(${target} INTERFACE ${ARGN})
    else()
        target_link_libraries(${target} ${visibility} ${ARGN})
    endif()
endfunction()

# qvu_add_tools(DIR): every subfolder DIR/NAME with .cpp files is the program NAME.
# A subfolder may hold a CMakeLists.txt of its own instead, for special needs.
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
            continue()
        endif()
        file(GLOB tool_sources CONFIGURE_DEPENDS ${entry}/*.cpp)
        if(tool_sources)
            add_executable(${tool} ${tool_sources})
            target_link_libraries(${tool} PRIVATE qvuapp)
            add_dependencies(qvu-tools ${tool})
        endif()
    endforeach()
endfunction()
