// brinvale-scenes' offscreen context in a browser: a WebGL 1 canvas under the GL 1.x layer.
#include <GL/gl.h>
#include <emscripten/html5.h>
#include <webgl/webgl1.h>

#include <cstdio>
#include <vector>

#include "platform/offscreen.h"

namespace {
EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
}

int openOffscreenContext(int width, int height) {
    emscripten_set_canvas_element_size("#canvas", width, height);
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    // As the game's page: no alpha (the clear's alpha one half must not show the page through), a
    // depth buffer, no multisampling; the drawing stays readable after the frame.
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_TRUE;
    attributes.antialias = EM_FALSE;
    attributes.preserveDrawingBuffer = EM_TRUE;
    attributes.majorVersion = 1;
    context = emscripten_webgl_create_context("#canvas", &attributes);
    if (context <= 0 || emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS) {
        std::fprintf(stderr, "no WebGL context\n");
        return 0;
    }
    return gl1Open();
}

void presentOffscreen() {}

void closeOffscreenContext() {
    if (context <= 0) return;
    gl1Close();
    emscripten_webgl_destroy_context(context);
    context = 0;
}

extern "C" {
void glReadBuffer(GLenum) {}
// WebGL 1 reads RGBA only; the tool wants tight RGB rows.
void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum, GLenum, GLvoid* pixels) {
    std::vector<unsigned char> rgba(size_t(width) * size_t(height) * 4);
    emscripten_glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    unsigned char* rgb = static_cast<unsigned char*>(pixels);
    for (size_t i = 0; i < size_t(width) * size_t(height); ++i)
        for (int k = 0; k < 3; ++k) rgb[i * 3 + k] = rgba[i * 4 + k];
}
}

// The PNG writer the native tool takes from the stb library.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
