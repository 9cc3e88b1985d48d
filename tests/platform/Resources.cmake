# Resources of test_platform, looked up by ResourcesTest.cpp.
qvu_embed_resources(test_platform
    IDR_STRINGS XML ${CMAKE_CURRENT_LIST_DIR}/resources/strings.xml
    "#7" "#10" ${CMAKE_CURRENT_LIST_DIR}/resources/bytes.bin
    EMPTY XML ${CMAKE_CURRENT_LIST_DIR}/resources/empty.txt)
target_compile_definitions(test_platform
    PRIVATE QVU_TEST_RESOURCES_DIR="${CMAKE_CURRENT_LIST_DIR}/resources")
