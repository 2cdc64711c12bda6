// The texture slots, their file tables and filters, the levels each screen and driver gets, and
// loading them into GL, the decoding ahead on a thread of its own.
#include "assets/textures.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

// A browser build without threads decodes on the main thread as it uploads.
#if !defined(__EMSCRIPTEN__) || defined(__EMSCRIPTEN_PTHREADS__)
#define BRINVALE_PREPARE_AHEAD 1
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#endif

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

namespace {

// One group of the table, in load order. worldHeight and depth are where the scenes draw the
// group's pictures largest: how many world units their height spans, how far from the eye.
struct TextureGroup {
    const char* const* files;
    GLuint* names;
    int count;
    GLint magFilter;
    float worldHeight;
    float depth;
};

const TextureGroup groups[] = {
    {backgroundFiles, backgroundTextures, 5, GL_LINEAR, 32.0f, 40.0f},  // the well, 16 cells high
    {gemFiles, gemTextures, 11, GL_NEAREST, 2.0f, 40.0f},               // one cell, in the well
    {digitFiles, digitTextures, 10, GL_LINEAR, 2.0f, 20.0f},            // the score
    {menuFiles, menuTextures, 2, GL_LINEAR, 2.0f, 7.0f},                // the selected button
    {keyFiles, keyTextures, 4, GL_LINEAR, 2.0f, 20.0f},                 // a held key
    {recordFiles, recordTextures, 2, GL_LINEAR, 2.0f, 10.0f},           // the new-best banner
    {signFiles, signTextures, 3, GL_LINEAR, 2.0f, 15.0f},               // the paused sign
};

// The pictures were drawn so that a screen of 2160 lines magnifies none by more than about 1.02;
// a level is shown as long as it stays within this.
constexpr double mostMagnified = 1.25;

// The display's 4:3 picture height in pixels: -1 until window creation says, 0 when not known.
int screenLines = -1;

unsigned long long uploadedBytes = 0;

// The levels of a picture from `first` on, tightly packed one after another, ready for GL.
struct PreparedPicture {
    bool decoded = false;
    std::string failure;  // the decoder's box, or "" for a missing file, which shows none
    int fileWidth = 0, fileHeight = 0;
    int first = 0, width = 0, height = 0;  // the first kept level and its size
    double shown = 0;                      // pixels its height covers, for the level choice
    std::vector<unsigned char> levels;
};

size_t levelBytes(int width, int height) { return size_t(width) * size_t(height) * 3; }

void recordFailure(void* context, const char* text) { static_cast<std::string*>(context)->assign(text); }

// Copies out each level from keepFrom on as buildMipChain makes it.
struct LevelKeeper {
    int keepFrom;
    PreparedPicture* picture;
};

void keepLevel(void* context, int level, int width, int height, const unsigned char* rgb) {
    const LevelKeeper& k = *static_cast<const LevelKeeper*>(context);
    if (level < k.keepFrom) return;
    if (level == k.keepFrom) {
        k.picture->first = level;
        k.picture->width = width;
        k.picture->height = height;
        // The levels below take a third of this one's bytes, give or take a row each.
        k.picture->levels.reserve(levelBytes(width, height) / 3 * 4 + 64);
    }
    k.picture->levels.insert(k.picture->levels.end(), rgb, rgb + levelBytes(width, height));
}

// Takes a picture's rows as the decoder makes them and keeps only its levels from keepFrom on: the
// levels above are halved away a band of rows at a time, so the whole picture is never held. The
// band's halving is the whole chain's, row for row, as long as the picture is at least a band high.
struct RowReducer {
    double shown = 0;
    PreparedPicture* picture = nullptr;
    int keepFrom = 0, halvings = 0, bandRows = 1;
    int reducedWidth = 0, reducedHeight = 0;
    std::vector<unsigned char> band, reduced;
};

void keepBandRow(void* context, int level, int width, int, const unsigned char* rgb) {
    RowReducer& r = *static_cast<RowReducer*>(context);
    if (level == r.halvings) r.reduced.insert(r.reduced.end(), rgb, rgb + levelBytes(width, 1));
}

void takeRow(void* context, int32_t width, int32_t height, int32_t row, const unsigned char* rgb) {
    RowReducer& r = *static_cast<RowReducer*>(context);
    if (row == 0) {
        r.picture->fileWidth = width;
        r.picture->fileHeight = height;
        r.keepFrom = firstLevelShown(width, height, r.shown, INT_MAX);
        while (r.halvings < r.keepFrom && (height >> (r.halvings + 1)) >= 1) ++r.halvings;
        r.bandRows = 1 << r.halvings;
        r.reducedWidth = width;
        for (int i = 0; i < r.halvings; ++i) r.reducedWidth = r.reducedWidth > 1 ? r.reducedWidth / 2 : 1;
        r.reducedHeight = height >> r.halvings;
        r.band.resize(levelBytes(width, r.bandRows));
        r.reduced.reserve(levelBytes(r.reducedWidth, r.reducedHeight));
    }
    // An odd side's last rows are left out, as each halving does.
    if (row >= r.reducedHeight * r.bandRows) return;
    if (r.halvings == 0) {
        r.reduced.insert(r.reduced.end(), rgb, rgb + levelBytes(width, 1));
        return;
    }
    const int inBand = row % r.bandRows;
    std::copy(rgb, rgb + levelBytes(width, 1), r.band.begin() + std::ptrdiff_t(levelBytes(width, inBand)));
    if (inBand == r.bandRows - 1) buildMipChain(r.band.data(), width, r.bandRows, keepBandRow, &r);
}

// Hands keepLevel the levels buildMipChain makes from a reduced picture, numbered as the file's.
struct OffsetKeeper {
    int offset;
    LevelKeeper keeper;
};

void keepOffsetLevel(void* context, int level, int width, int height, const unsigned char* rgb) {
    OffsetKeeper& k = *static_cast<OffsetKeeper*>(context);
    keepLevel(&k.keeper, level + k.offset, width, height, rgb);
}

// Waits for the screen (awaitLines: its lines, -1 to give up), then decodes file into the levels
// worth keeping for it. A failure's box text is kept, not shown.
PreparedPicture preparePicture(const char* file, const TextureGroup& g, int (*awaitLines)()) {
    PreparedPicture p;
    // A missing picture is reported by start-up as a whole, not by the decoder.
    std::FILE* f = std::fopen(file, "r");
    if (!f) return p;
    std::fclose(f);
    const int lines = awaitLines();
    if (lines < 0) return p;
    RowReducer r;
    r.shown = shownPixels(g.worldHeight, g.depth, lines);
    r.picture = &p;
    if (!decodeDibFileRows(file, takeRow, &r, recordFailure, &p.failure)) return p;
    r.band = std::vector<unsigned char>();
    p.decoded = true;
    p.shown = r.shown;
    OffsetKeeper keeper = {r.halvings, {r.keepFrom, &p}};
    buildMipChain(r.reduced.data(), r.reducedWidth, r.reducedHeight, keepOffsetLevel, &keeper);
    return p;
}

int linesNow() { return std::max(screenLines, 0); }

void clearGlErrors() {
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

// Gives GL the kept levels from the file's level `from` on as the bound texture's levels 0 on;
// false when GL refused any of them.
bool uploadFrom(const PreparedPicture& p, int from) {
    clearGlErrors();
    const unsigned char* rgb = p.levels.data();
    int width = p.width, height = p.height;
    unsigned long long bytes = 0;
    for (int level = p.first;; ++level) {
        if (level >= from) {
            glTexImage2D(GL_TEXTURE_2D, level - from, 3, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb);
            bytes += levelBytes(width, height);
            // A driver may refuse a level within its stated limit (memory, a software renderer).
            if (level == from && glGetError() != GL_NO_ERROR) return false;
        }
        if (width == 1 && height == 1) break;
        rgb += levelBytes(width, height);
        width = width > 1 ? width / 2 : 1;
        height = height > 1 ? height / 2 : 1;
    }
    if (glGetError() != GL_NO_ERROR) return false;
    uploadedBytes += bytes;
    return true;
}

// The prepared picture into a new texture in *textureName, from the largest level both the screen
// and the driver take.
void uploadPicture(const PreparedPicture& p, GLuint* textureName, GLint magFilter) {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    if (largest < 64) largest = 64;  // every GL takes this much
    int from = std::max(p.first, firstLevelShown(p.fileWidth, p.fileHeight, p.shown, largest));
    glGenTextures(1, textureName);
    glBindTexture(GL_TEXTURE_2D, *textureName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    // Trilinear: pictures drawn smaller than their size (at 800 x 600, on a phone) neither shimmer
    // nor show where one level gives way to the next.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    // Rows are as the decoder packs them, width * 3 bytes, whatever the width.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // Every level must come, or the texture is incomplete and draws untextured. Where even the last
    // is refused (a lost context) the texture stays as GL left it, as an unchecked upload would.
    const int last = int(std::log2(std::max(p.fileWidth, p.fileHeight)));
    while (!uploadFrom(p, from) && from < last) ++from;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

#ifdef BRINVALE_PREPARE_AHEAD
// The pictures prepared ahead, in load order, handed from the preparing thread to the main one.
struct Preparation {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<PreparedPicture> ready;
    bool stopping = false;
    std::thread worker;
    ~Preparation() {
        if (worker.joinable()) stopTexturePreparation();
    }
};
Preparation preparation;

// A background's kept levels are up to 8 MB (a 2160-line screen): two waiting, one in hand.
constexpr size_t mostWaiting = 2;

int awaitScreen() {
    std::unique_lock<std::mutex> held(preparation.lock);
    preparation.changed.wait(held, [] { return screenLines >= 0 || preparation.stopping; });
    return preparation.stopping ? -1 : screenLines;
}

void prepareAll() {
    for (const TextureGroup& g : groups)
        for (int i = 0; i < g.count; ++i) {
            PreparedPicture p = preparePicture(g.files[i], g, awaitScreen);
            std::unique_lock<std::mutex> held(preparation.lock);
            preparation.changed.wait(held, [] { return preparation.ready.size() < mostWaiting || preparation.stopping; });
            if (preparation.stopping) return;
            const bool decoded = p.decoded;
            preparation.ready.push_back(std::move(p));
            preparation.changed.notify_all();
            if (!decoded) return;  // loading stops at the first failure
        }
}

// The next prepared picture into *p; false when nothing is being prepared.
bool takePrepared(PreparedPicture* p) {
    if (!preparation.worker.joinable()) return false;
    std::unique_lock<std::mutex> held(preparation.lock);
    // Uploading has begun, so the screen is not going to be told any more.
    if (screenLines < 0) screenLines = 0;
    preparation.changed.notify_all();
    preparation.changed.wait(held, [] { return !preparation.ready.empty(); });
    *p = std::move(preparation.ready.front());
    preparation.ready.pop_front();
    preparation.changed.notify_all();
    return true;
}
#else
bool takePrepared(PreparedPicture*) { return false; }
#endif

}  // namespace

RgbImage* loadImageFile(const char* fileName) {
    if (!fileName) return nullptr;
    // A missing picture is reported by start-up as a whole, not by the decoder.
    std::FILE* f = std::fopen(fileName, "r");
    if (!f) return nullptr;
    std::fclose(f);
    return loadDibImage(fileName);
}

double shownPixels(float worldHeight, float depth, int lines) {
    // The 45-degree perspective's view is 2 * depth * tan(22.5 degrees) units high at depth.
    return double(worldHeight) / (2.0 * double(depth) * std::tan(3.14159265358979323846 / 8.0)) * lines;
}

int firstLevelShown(int width, int height, double shown, int maxTextureSize) {
    int level = 0;
    auto side = [](int size, int at) { return std::max(size >> at, 1); };
    while ((side(width, level) > 1 || side(height, level) > 1) && shown > 0 &&
           shown / side(height, level + 1) <= mostMagnified)
        ++level;
    while ((side(width, level) > 1 || side(height, level) > 1) &&
           std::max(side(width, level), side(height, level)) > maxTextureSize)
        ++level;
    return level;
}

int buildMipChain(unsigned char* rgb, int width, int height, MipLevelSink sink, void* context) {
    int level = 0;
    sink(context, level, width, height, rgb);
    while (width > 1 || height > 1) {
        const int w = width > 1 ? width / 2 : 1, h = height > 1 ? height / 2 : 1;
        // A side of 1 averages each texel with itself along it. An odd side's last row or column
        // is left out, as GL's own halving does.
        const size_t row = size_t(width) * 3;
        const size_t right = width > 1 ? 3 : 0, up = height > 1 ? row : 0;
        const size_t inRows = height > 1 ? 2 * row : row;
        // Each output texel lies at or before the first input texel it reads, and every later one
        // reads further on, so the level can be written over the one it comes from.
        for (int y = 0; y < h; ++y) {
            unsigned char* out = rgb + size_t(y) * size_t(w) * 3;
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
    if (!fileName) return 0;
    const TextureGroup unshown = {nullptr, nullptr, 0, magFilter, 0.0f, 1.0f};
    const PreparedPicture p = preparePicture(fileName, unshown, linesNow);
    if (!p.decoded) {
        if (!p.failure.empty()) showDibFailure(p.failure.c_str());
        return 0;
    }
    uploadPicture(p, textureName, magFilter);
    return 1;
}

void setTextureScreen(int width, int height) {
    const int lines = width > 0 && height > 0 ? std::min(height, width * 3 / 4) : 0;
#ifdef BRINVALE_PREPARE_AHEAD
    std::lock_guard<std::mutex> held(preparation.lock);
    screenLines = lines;
    preparation.changed.notify_all();
#else
    screenLines = lines;
#endif
}

void startTexturePreparation() {
#ifdef __GLIBC__
    // A picture's kept levels are megabytes on a large screen, freed once uploaded; left to itself
    // glibc raises its mmap threshold past such blocks after the first and keeps the later ones in
    // its heaps, which the process's peak size then holds. Fixed, every such block goes back to the
    // system when freed.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
#ifdef BRINVALE_PREPARE_AHEAD
    stopTexturePreparation();
    preparation.stopping = false;
    try {
        preparation.worker = std::thread(prepareAll);
    } catch (const std::system_error&) {
        // No thread to be had: loadTextureSet decodes each picture itself.
    }
#endif
}

void stopTexturePreparation() {
#ifdef BRINVALE_PREPARE_AHEAD
    if (!preparation.worker.joinable()) return;
    {
        std::lock_guard<std::mutex> held(preparation.lock);
        preparation.stopping = true;
        preparation.changed.notify_all();
    }
    preparation.worker.join();
    preparation.ready.clear();
#endif
}

int loadTextureSet() {
    uploadedBytes = 0;
    for (const TextureGroup& g : groups)
        for (int i = 0; i < g.count; ++i) {
            PreparedPicture p;
            if (!takePrepared(&p)) p = preparePicture(g.files[i], g, linesNow);
            if (!p.decoded) {
                stopTexturePreparation();
                if (!p.failure.empty()) showDibFailure(p.failure.c_str());
                return 0;
            }
            uploadPicture(p, &g.names[i], g.magFilter);
        }
    stopTexturePreparation();
    return 1;
}

unsigned long long textureBytesUploaded() { return uploadedBytes; }
