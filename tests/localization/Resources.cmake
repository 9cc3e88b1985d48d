# The translation table of the update manager, read by the tests as the program reads it.
qvu_embed_resources(test_localization IDR_STRINGS XML ${CMAKE_SOURCE_DIR}/localization/strings.xml)
