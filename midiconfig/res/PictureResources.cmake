# Included by midiconfig/CMakeLists.txt: generates the source that builds the controller
# bitmaps into the program and puts its name in QMT_PICTURE_RESOURCES_SOURCE.
file(GLOB QMT_PICTURE_BITMAPS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.bmp)
set(QMT_PICTURE_RESOURCES_SOURCE ${CMAKE_CURRENT_BINARY_DIR}/PictureResources.cpp)
add_custom_command(
    OUTPUT ${QMT_PICTURE_RESOURCES_SOURCE}
    COMMAND ${CMAKE_COMMAND} -DRES_DIR=${CMAKE_CURRENT_LIST_DIR}
            -DOUTPUT=${QMT_PICTURE_RESOURCES_SOURCE} -P ${CMAKE_CURRENT_LIST_DIR}/EmbedBitmaps.cmake
    DEPENDS ${QMT_PICTURE_BITMAPS} ${CMAKE_CURRENT_LIST_DIR}/EmbedBitmaps.cmake
    COMMENT "Building the controller pictures into the program"
    VERBATIM)
