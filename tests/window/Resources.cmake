# The update dialog loads the program's translation table and icon.
qvu_embed_resources(test_window IDR_STRINGS XML ${CMAKE_SOURCE_DIR}/localization/strings.xml
                    "#128" PNG ${CMAKE_SOURCE_DIR}/frontends/window/icon/QVUUpdate-256.png)
