// The 32 texture slots, their file tables and filters, and loading them into GL.
#include "assets/textures.h"

#include <cstdio>
#include <cstdlib>

GLuint backgroundTextures[5];
GLuint gemTextures[11];
GLuint digitTextures[10];
GLuint menuTextures[2];
GLuint keyTextures[4];

const char* const backgroundFiles[5] = {"pic/bbgr.bmp", "pic/bbgr1.bmp", "pic/bbgr2.bmp", "pic/bbgr3.bmp",
                                        "pic/bbgr4.bmp"};
// Gem colours 5..9 use files 7..11; the magic colour uses file 6.
const char* const gemFiles[11] = {"pic/kol1.bmp", "pic/kol2.bmp", "pic/kol3.bmp",  "pic/kol4.bmp",
                                  "pic/kol5.bmp", "pic/kol7.bmp", "pic/kol8.bmp",  "pic/kol9.bmp",
                                  "pic/kol10.bmp", "pic/kol11.bmp", "pic/kol6.bmp"};
const char* const digitFiles[10] = {"pic/0.bmp", "pic/1.bmp", "pic/2.bmp", "pic/3.bmp", "pic/4.bmp",
                                    "pic/5.bmp", "pic/6.bmp", "pic/7.bmp", "pic/8.bmp", "pic/9.bmp"};
const char* const menuFiles[2] = {"pic/bnew.bmp", "pic/bquit.bmp"};
const char* const keyFiles[4] = {"pic/bleft.bmp", "pic/bright.bmp", "pic/bdown.bmp", "pic/bctrl.bmp"};

RgbImage* loadImageFile(const char* fileName) {
    if (!fileName) return nullptr;
    // A missing picture is reported by start-up as a whole, not by the decoder.
    std::FILE* f = std::fopen(fileName, "r");
    if (!f) return nullptr;
    std::fclose(f);
    return loadDibImage(fileName);
}

int loadTexture(const char* fileName, GLuint* textureName, GLint filter) {
    int result = 0;
    RgbImage* image = loadImageFile(fileName);
    if (image) {
        result = 1;
        glGenTextures(1, textureName);
        glBindTexture(GL_TEXTURE_2D, *textureName);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
        glTexImage2D(GL_TEXTURE_2D, 0, 3, image->width, image->height, 0, GL_RGB, GL_UNSIGNED_BYTE, image->data);
        std::free(image->data);
        std::free(image);
    }
    return result;
}

namespace {
struct TextureGroup {
    const char* const* files;
    GLuint* names;
    int count;
    GLint filter;
};
}  // namespace

int loadTextureSet() {
    const TextureGroup groups[] = {
        {backgroundFiles, backgroundTextures, 5, GL_LINEAR},
        {gemFiles, gemTextures, 11, GL_NEAREST},
        {digitFiles, digitTextures, 10, GL_LINEAR},
        {menuFiles, menuTextures, 2, GL_LINEAR},
        {keyFiles, keyTextures, 4, GL_LINEAR},
    };
    for (const TextureGroup& g : groups)
        for (int i = 0; i < g.count; ++i)
            if (!loadTexture(g.files[i], &g.names[i], g.filter)) return 0;
    return 1;
}
