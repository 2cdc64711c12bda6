// Plays a driver whose largest texture is BRINVALE_TEXTURE_CAP texels a side (Windows' own software
// OpenGL, old drivers), preloaded into a program (LD_PRELOAD) for the e2e case: GL_MAX_TEXTURE_SIZE
// reports that limit, and a larger level is refused with GL_INVALID_VALUE, as such a driver does.
#include <dlfcn.h>

#include <GL/gl.h>

#include <cstdlib>

namespace {

GLenum refused = GL_NO_ERROR;

GLint cap() {
    static const GLint limit = std::getenv("BRINVALE_TEXTURE_CAP") ? std::atoi(std::getenv("BRINVALE_TEXTURE_CAP")) : 0;
    return limit;
}

template <typename F>
F next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" void glGetIntegerv(GLenum pname, GLint* data) {
    static const auto real = next<void (*)(GLenum, GLint*)>("glGetIntegerv");
    real(pname, data);
    if (pname == GL_MAX_TEXTURE_SIZE && cap() > 0 && *data > cap()) *data = cap();
}

extern "C" void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                             GLint border, GLenum format, GLenum type, const void* pixels) {
    static const auto real =
        next<void (*)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*)>("glTexImage2D");
    if (cap() > 0 && (width > cap() || height > cap())) {
        refused = GL_INVALID_VALUE;
        return;
    }
    real(target, level, internalFormat, width, height, border, format, type, pixels);
}

extern "C" GLenum glGetError() {
    static const auto real = next<GLenum (*)()>("glGetError");
    if (refused != GL_NO_ERROR) {
        const GLenum error = refused;
        refused = GL_NO_ERROR;
        return error;
    }
    return real();
}
