# The update dialog loads the program's translation table.
qvu_embed_resources(test_app IDR_STRINGS XML ${CMAKE_SOURCE_DIR}/localization/strings.xml)
