// libFuzzer target for the whole path of a picture file: decoded, its mipmap levels built, and
// uploaded by loadTexture to a stand-in GL. The stand-in reads every byte GL would read, with the row
// alignment it was told, states a largest texture size taken from the input's length and, for odd
// lengths, refuses levels above half of it, as a driver short of memory may; the texture must end
// complete: level 0 within what was taken, each level half the one before, down to 1 x 1.
#include <sys/mman.h>
#include <unistd.h>

#include <GL/gl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "assets/textures.h"
#include "platform/platform.h"

namespace {

int quietBox(const char*, const char*, unsigned) { return idOk; }

PlatformBackend quietBackend;
int memoryFile = -1;
std::string memoryFileName;

// The stand-in's state: its limits, the alignment in force, and the levels of the bound texture.
GLint statedLargest = 64, takenLargest = 64;
GLint unpackAlignment = 4;
GLenum pendingError = GL_NO_ERROR;
constexpr int levelSlots = 32;
GLsizei levelWidth[levelSlots], levelHeight[levelSlots];
volatile unsigned readSum = 0;

}  // namespace

extern "C" {
void glGenTextures(GLsizei n, GLuint* textures) {
    for (GLsizei i = 0; i < n; ++i) textures[i] = GLuint(i + 1);
}
void glBindTexture(GLenum, GLuint) {}
void glTexParameteri(GLenum, GLenum, GLint) {}
void glPixelStorei(GLenum pname, GLint param) {
    if (pname == GL_UNPACK_ALIGNMENT) unpackAlignment = param;
}
void glGetIntegerv(GLenum pname, GLint* data) {
    if (pname == GL_MAX_TEXTURE_SIZE) *data = statedLargest;
}
GLenum glGetError() {
    const GLenum error = pendingError;
    pendingError = GL_NO_ERROR;
    return error;
}
void glTexImage2D(GLenum, GLint level, GLint, GLsizei width, GLsizei height, GLint, GLenum, GLenum,
                  const void* pixels) {
    if (level < 0 || level >= levelSlots || width < 1 || height < 1) std::abort();
    if (width > takenLargest || height > takenLargest) {
        pendingError = GL_OUT_OF_MEMORY;
        return;
    }
    const size_t row = size_t(width) * 3;
    const size_t stride = (row + size_t(unpackAlignment) - 1) / size_t(unpackAlignment) * size_t(unpackAlignment);
    const unsigned char* rgb = static_cast<const unsigned char*>(pixels);
    for (GLsizei y = 0; y < height; ++y) readSum = readSum + rgb[size_t(y) * stride] + rgb[size_t(y) * stride + row - 1];
    levelWidth[level] = width;
    levelHeight[level] = height;
    for (int later = level + 1; later < levelSlots; ++later) levelWidth[later] = levelHeight[later] = 0;
}
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quietBackend = *currentPlatform();
    quietBackend.showMessageBox = quietBox;
    installPlatform(&quietBackend);
    memoryFile = memfd_create("brinvale-fuzz-picture", 0);
    if (memoryFile < 0) {
        std::perror("memfd_create");
        std::abort();
    }
    memoryFileName = "/proc/self/fd/" + std::to_string(memoryFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (ftruncate(memoryFile, 0) != 0 || pwrite(memoryFile, data, size, 0) != ssize_t(size)) std::abort();
    statedLargest = GLint(64) << (size % 4);
    takenLargest = size % 2 ? statedLargest / 2 : statedLargest;
    for (int i = 0; i < levelSlots; ++i) levelWidth[i] = levelHeight[i] = 0;
    GLuint name = 0;
    if (!loadTexture(memoryFileName.c_str(), &name, GL_LINEAR)) return 0;
    if (levelWidth[0] < 1 || levelWidth[0] > takenLargest || levelHeight[0] > takenLargest) std::abort();
    int level = 0;
    for (; levelWidth[level] > 1 || levelHeight[level] > 1; ++level) {
        const GLsizei w = levelWidth[level] > 1 ? levelWidth[level] / 2 : 1;
        const GLsizei h = levelHeight[level] > 1 ? levelHeight[level] / 2 : 1;
        if (level + 1 >= levelSlots || levelWidth[level + 1] != w || levelHeight[level + 1] != h) std::abort();
    }
    return 0;
}
