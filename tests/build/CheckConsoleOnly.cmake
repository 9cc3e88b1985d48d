# The program without its window, for machines without a desktop: the tree
# configures with QVU_WITH_WINDOW=OFF, the program's own source compiles
# without it, and nothing of the toolkit is linked in (cmake -P).
#
#   cmake -DSOURCE_DIR=... -DWORK=... -P CheckConsoleOnly.cmake

file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK} -DQVU_WITH_WINDOW=OFF
                        -DQVU_BUILD_TESTS=OFF -DQVU_BUILD_BENCH=OFF
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the console-only configuration fails:\n${errors}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK} --target frontends/QVUUpdate.cpp.o
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the program does not compile without its window:\n${output}${errors}")
endif()
file(READ ${WORK}/CMakeFiles/QVUUpdate.dir/link.txt link)
if(link MATCHES "wx_|webkit")
    message(FATAL_ERROR "the console-only program still links the toolkit:\n${link}")
endif()
