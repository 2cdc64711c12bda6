# The GL 1.x layer on WebGL. Linking brinvale_gl1 puts platform/web/gl1 on the include path, ahead of
# emscripten's own GL headers, so the renderer's <GL/gl.h> and <GL/glu.h> are the layer's.
add_library(brinvale_gl1 STATIC ${CMAKE_CURRENT_LIST_DIR}/gl1.cpp)
target_include_directories(brinvale_gl1 PUBLIC ${CMAKE_CURRENT_LIST_DIR}/gl1 PRIVATE ${PROJECT_SOURCE_DIR})
