# Resources on a platform without a resource compiler: each file becomes a
# constant array in a generated source of the target, registered with the
# platform's resource table when the program starts (platform/resources.h).
#
# qvu_embed_resources(TARGET NAME TYPE FILE [NAME TYPE FILE ...])
#   NAME and TYPE are what FindResourceA looks for ("IDR_STRINGS" "XML", or
#   "#10" for a numeric one); FILE is relative to the calling CMakeLists.txt.
#
# The sources go straight into TARGET, never into a static library, where the
# linker would drop the registrars since nothing refers to them. They are
# generated at build time, so an edited file is embedded again by the next build.
#
# Run as a script (cmake -P) this file writes one such source:
#   -DNAME=... -DTYPE=... -DINPUT=file -DOUTPUT=file.cpp

if(CMAKE_SCRIPT_MODE_FILE)
    file(READ "${INPUT}" hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    # 16 bytes a line keep the generated file readable for the compiler's messages.
    string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
    file(WRITE "${OUTPUT}"
         "// Generated from ${INPUT} by qvu_embed_resources; do not edit.\n"
         "#include \"platform/runtime/resources_embedded.h\"\n\n"
         "namespace {\n\n"
         "// A zero byte ends the array, so that even an empty file gives one,\n"
         "// and a text resource can be read as a C string.\n"
         "const unsigned char data[] = {\n    ${bytes}0x00};\n\n"
         "const platform::EmbeddedResourceRegistrar registrar(\"${NAME}\", \"${TYPE}\", data,\n"
         "                                                    sizeof data - 1);\n\n"
         "} // namespace\n")
    return()
endif()

function(qvu_embed_resources target)
    set(script ${CMAKE_CURRENT_FUNCTION_LIST_FILE})
    set(arguments ${ARGN})
    list(LENGTH arguments count)
    math(EXPR remainder "${count} % 3")
    if(count EQUAL 0 OR NOT remainder EQUAL 0)
        message(FATAL_ERROR "qvu_embed_resources(${target}): give NAME TYPE FILE triples")
    endif()
    while(arguments)
        list(POP_FRONT arguments name type file)
        if(name MATCHES "[\"\\\\]" OR type MATCHES "[\"\\\\]")
            message(FATAL_ERROR "qvu_embed_resources(${target}): quote or backslash in ${name} ${type}")
        endif()
        get_filename_component(input ${file} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
        string(MAKE_C_IDENTIFIER "${name}_${type}" stem)
        set(output ${CMAKE_CURRENT_BINARY_DIR}/qvu_resources/${target}/${stem}.cpp)
        add_custom_command(
            OUTPUT ${output}
            COMMAND ${CMAKE_COMMAND} -DNAME=${name} -DTYPE=${type} -DINPUT=${input}
                    -DOUTPUT=${output} -P ${script}
            DEPENDS ${input} ${script}
            COMMENT "Embedding ${file} as resource ${name} of type ${type}"
            VERBATIM)
        target_sources(${target} PRIVATE ${output})
    endwhile()
    target_link_libraries(${target} PRIVATE qvuplatform)
endfunction()
