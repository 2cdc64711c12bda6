// The 32 texture slots, their file tables and filters, and loading them into GL.
#include "assets/textures.h"

#include <cstdio>
#include <cstdlib>

GLuint backgroundTextures[5];
GLuint gemTextures[11];
GLuint digitTextures[10];
GLuint menuTextures[2];
GLuint keyTextures[4];
GLuint recordTextures[2];
GLuint signTextures[3];

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
const char* const recordFiles[2] = {"pic/best.bmp", "pic/newbest.bmp"};
const char* const signFiles[3] = {"pic/spause.bmp", "pic/spauset.bmp", "pic/smute.bmp"};

RgbImage* loadImageFile(const char* fileName) {
    if (!fileName) return nullptr;
    // A missing picture is reported by start-up as a whole, not by the decoder.
    std::FILE* f = std::fopen(fileName, "r");
    if (!f) return nullptr;
    std::fclose(f);
    return loadDibImage(fileName);
}

namespace {
// Bytes of one row of RGB texels as GL unpacks them by default: padded to a multiple of 4.
size_t paddedRow(int width) { return (size_t(width) * 3 + 3) / 4 * 4; }

void uploadLevel(void*, int level, int width, int height, const unsigned char* rgb) {
    glTexImage2D(GL_TEXTURE_2D, level, 3, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb);
}
}  // namespace

int buildMipChain(unsigned char* rgb, int width, int height, MipLevelSink sink, void* context) {
    int level = 0;
    sink(context, level, width, height, rgb);
    while (width > 1 || height > 1) {
        const int w = width > 1 ? width / 2 : 1, h = height > 1 ? height / 2 : 1;
        // A side of 1 averages each texel with itself along it.
        const size_t right = width > 1 ? 3 : 0, up = height > 1 ? paddedRow(width) : 0;
        const size_t inRows = height > 1 ? 2 * paddedRow(width) : paddedRow(width);
        // Each output texel lies at or before the first input texel it reads, and every later one
        // reads further on, so the level can be written over the one it comes from.
        for (int y = 0; y < h; ++y) {
            unsigned char* out = rgb + size_t(y) * paddedRow(w);
            const unsigned char* in = rgb + size_t(y) * inRows;
            for (int x = 0; x < w; ++x, out += 3, in += 2 * right)
                for (size_t c = 0; c < 3; ++c)
                    out[c] = (unsigned char)((in[c] + in[c + right] + in[c + up] + in[c + up + right] + 2) / 4);
        }
        width = w;
        height = h;
        sink(context, ++level, width, height, rgb);
    }
    return level + 1;
}

int loadTexture(const char* fileName, GLuint* textureName, GLint magFilter) {
    RgbImage* image = loadImageFile(fileName);
    if (!image) return 0;
    glGenTextures(1, textureName);
    glBindTexture(GL_TEXTURE_2D, *textureName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    // Trilinear: pictures drawn smaller than their size (at 800 x 600, on a phone) neither shimmer
    // nor show where one level gives way to the next.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    // Built here: GL 1.1 has no mipmap generation. Every level must come, or the texture is
    // incomplete and draws untextured.
    buildMipChain(image->data, image->width, image->height, uploadLevel, nullptr);
    std::free(image->data);
    std::free(image);
    return 1;
}

namespace {
struct TextureGroup {
    const char* const* files;
    GLuint* names;
    int count;
    GLint magFilter;
};
}  // namespace

int loadTextureSet() {
    const TextureGroup groups[] = {
        {backgroundFiles, backgroundTextures, 5, GL_LINEAR},
        {gemFiles, gemTextures, 11, GL_NEAREST},
        {digitFiles, digitTextures, 10, GL_LINEAR},
        {menuFiles, menuTextures, 2, GL_LINEAR},
        {keyFiles, keyTextures, 4, GL_LINEAR},
        {recordFiles, recordTextures, 2, GL_LINEAR},
        {signFiles, signTextures, 3, GL_LINEAR},
    };
    for (const TextureGroup& g : groups)
        for (int i = 0; i < g.count; ++i)
            if (!loadTexture(g.files[i], &g.names[i], g.magFilter)) return 0;
    return 1;
}
