// The texture set on a real GL context (Mesa, no display): names, filters, complete mipmap chains,
// upload order, and where loading stops when a picture is missing or broken; the mip chain builder.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <vector>

#include "assets/textures.h"
#include "platform/offscreen.h"
#include "support.h"

namespace fs = std::filesystem;

namespace {

struct Group {
    GLuint* names;
    const char* const* files;
    int count;
    GLint magFilter;
};

const Group groups[] = {
    {backgroundTextures, backgroundFiles, 5, GL_LINEAR}, {gemTextures, gemFiles, 11, GL_NEAREST},
    {digitTextures, digitFiles, 10, GL_LINEAR},           {menuTextures, menuFiles, 2, GL_LINEAR},
    {keyTextures, keyFiles, 4, GL_LINEAR},                {recordTextures, recordFiles, 2, GL_LINEAR},
    {signTextures, signFiles, 3, GL_LINEAR},
};

int createdCount() {
    int n = 0;
    for (const Group& g : groups)
        for (int i = 0; i < g.count; ++i) n += g.names[i] != 0;
    return n;
}

// Each test runs in a scratch folder holding a copy of the build's pictures in pic/.
class TextureSet : public ::testing::Test {
protected:
    static void SetUpTestSuite() { contextOpen = openOffscreenContext(64, 64) == 1; }
    // The context stays open until the process ends: closing it unloads Mesa's driver, whose own
    // small allocations LeakSanitizer would then report without a module to name.

    void SetUp() override {
        ASSERT_TRUE(contextOpen) << "no offscreen GL context";
        fs::copy(BRINVALE_PIC_DIR, scratch.path() + "/pic");
        previous = fs::current_path();
        fs::current_path(scratch.path());
    }

    void TearDown() override {
        deleteTextures();
        if (!previous.empty()) fs::current_path(previous);
    }

    static void deleteTextures() {
        for (const Group& g : groups)
            for (int i = 0; i < g.count; ++i) {
                if (g.names[i]) glDeleteTextures(1, &g.names[i]);
                g.names[i] = 0;
            }
    }

    static bool contextOpen;
    ScratchDir scratch;
    fs::path previous;
};

bool TextureSet::contextOpen = false;

GLint parameter(GLuint name, GLenum which) {
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexParameteriv(GL_TEXTURE_2D, which, &value);
    return value;
}

GLint levelParameter(GLuint name, GLenum which, GLint level = 0) {
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, which, &value);
    return value;
}

bool powerOfTwo(GLint v) { return v > 0 && (v & (v - 1)) == 0; }

TEST_F(TextureSet, EveryPictureLoadsAsADistinctPowerOfTwoTexturesWithTheirFiltersAndWholeMipChains) {
    BoxRecorder boxes;
    ASSERT_EQ(loadTextureSet(), 1);
    EXPECT_TRUE(boxes.boxes().empty());
    std::set<GLuint> names;
    for (const Group& g : groups)
        for (int i = 0; i < g.count; ++i) {
            SCOPED_TRACE(g.files[i]);
            ASSERT_NE(g.names[i], 0u);
            names.insert(g.names[i]);
            EXPECT_EQ(parameter(g.names[i], GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
            EXPECT_EQ(parameter(g.names[i], GL_TEXTURE_MAG_FILTER), g.magFilter);
            GLint width = levelParameter(g.names[i], GL_TEXTURE_WIDTH), height = levelParameter(g.names[i], GL_TEXTURE_HEIGHT);
            EXPECT_TRUE(powerOfTwo(width));
            EXPECT_TRUE(powerOfTwo(height));
            // A missing or missized level leaves the texture incomplete: drawn untextured, white.
            for (GLint level = 1; width > 1 || height > 1; ++level) {
                width = std::max(width / 2, 1);
                height = std::max(height / 2, 1);
                ASSERT_EQ(levelParameter(g.names[i], GL_TEXTURE_WIDTH, level), width) << "level " << level;
                ASSERT_EQ(levelParameter(g.names[i], GL_TEXTURE_HEIGHT, level), height) << "level " << level;
            }
        }
    EXPECT_EQ(names.size(), 37u);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureSet, TexturesHoldTheirFilesPicturesBottomRowFirstAndTheirMeanAtOneTexel) {
    ASSERT_EQ(loadTextureSet(), 1);
    // The magic gem is file 6 and gem colour 5 is file 7; the Ctrl key is stored top-down.
    const std::pair<GLuint, const char*> checks[] = {
        {gemTextures[10], "pic/kol6.bmp"}, {gemTextures[5], "pic/kol7.bmp"}, {backgroundTextures[2], "pic/bbgr2.bmp"},
        {digitTextures[7], "pic/7.bmp"},   {keyTextures[2], "pic/bdown.bmp"}, {keyTextures[3], "pic/bctrl.bmp"},
    };
    for (const auto& [name, file] : checks) {
        SCOPED_TRACE(file);
        Image image(loadImageFile(file));
        ASSERT_TRUE(image);
        ASSERT_EQ(levelParameter(name, GL_TEXTURE_WIDTH), image->width);
        ASSERT_EQ(levelParameter(name, GL_TEXTURE_HEIGHT), image->height);
        Bytes texels(size_t(image->width) * size_t(image->height) * 3);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        EXPECT_TRUE(texels == pixelsOf(image));
        // The last level averages the whole picture, give or take the rounding of each halving.
        const GLint last = GLint(std::log2(std::max(image->width, image->height)));
        ASSERT_EQ(levelParameter(name, GL_TEXTURE_WIDTH, last), 1);
        unsigned char mean[4] = {};
        glGetTexImage(GL_TEXTURE_2D, last, GL_RGB, GL_UNSIGNED_BYTE, mean);
        for (int c = 0; c < 3; ++c) {
            double sum = 0;
            for (size_t i = size_t(c); i < texels.size(); i += 3) sum += texels[i];
            EXPECT_NEAR(mean[c], sum / double(texels.size() / 3), 3.0) << "channel " << c;
        }
    }
}

TEST_F(TextureSet, MissingMagicGemStopsSilentlyAfterFifteen) {
    fs::remove("pic/kol6.bmp");
    BoxRecorder boxes;
    EXPECT_EQ(loadTextureSet(), 0);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(createdCount(), 15);
    for (int i = 0; i < 10; ++i) EXPECT_NE(gemTextures[i], 0u);
    EXPECT_EQ(gemTextures[10], 0u);
    for (GLuint n : digitTextures) EXPECT_EQ(n, 0u);
    for (GLuint n : menuTextures) EXPECT_EQ(n, 0u);
    for (GLuint n : keyTextures) EXPECT_EQ(n, 0u);
}

TEST_F(TextureSet, MissingLastFileLeavesAllButIt) {
    fs::remove("pic/smute.bmp");
    EXPECT_EQ(loadTextureSet(), 0);
    EXPECT_EQ(createdCount(), 36);
    EXPECT_EQ(signTextures[2], 0u);
}

TEST_F(TextureSet, NoPicFolderFailsAtTheFirstPicture) {
    fs::remove_all("pic");
    BoxRecorder boxes;
    EXPECT_EQ(loadTextureSet(), 0);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(createdCount(), 0);
}

TEST_F(TextureSet, UndecodablePictureShowsTheDecodersBoxAndStops) {
    DibFile later;
    later.headerSize = 108;
    later.pixels = {0, 0, 0, 0};
    scratch.write("pic/bbgr2.bmp", buildBmp(later));
    BoxRecorder boxes;
    EXPECT_EQ(loadTextureSet(), 0);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Unknown DIB file format.");
    EXPECT_EQ(createdCount(), 2);
    EXPECT_EQ(backgroundTextures[2], 0u);
}

// A player's own gem 6 texels wide: rows of 18 bytes, which GL must be told are not padded to 4.
TEST_F(TextureSet, OddWidthPictureUploadsTexelForTexelWithAWholeChain) {
    DibFile odd;
    odd.width = 6;
    odd.height = 6;
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x) odd.pixels.insert(odd.pixels.end(), {uint8_t(40 * x), uint8_t(30 * y), uint8_t(7 * x + y)});
        odd.pixels.insert(odd.pixels.end(), {0, 0});
    }
    scratch.write("pic/kol1.bmp", buildBmp(odd));
    ASSERT_EQ(loadTextureSet(), 1);
    Image image(loadImageFile("pic/kol1.bmp"));
    ASSERT_TRUE(image);
    ASSERT_EQ(levelParameter(gemTextures[0], GL_TEXTURE_WIDTH), 6);
    Bytes texels(6 * 6 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    EXPECT_TRUE(texels == pixelsOf(image));
    EXPECT_EQ(levelParameter(gemTextures[0], GL_TEXTURE_WIDTH, 1), 3);
    EXPECT_EQ(levelParameter(gemTextures[0], GL_TEXTURE_WIDTH, 2), 1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// Decoded on their own thread, the pictures come in the table's order at the screen's levels, and a
// bad one shows its box once, from here, after the ones before it were uploaded.
TEST_F(TextureSet, PreparedAheadTheSetTakesTheScreensLevelsAndStopsAtABadPicture) {
    startTexturePreparation();
    setTextureScreen(800, 600);
    ASSERT_EQ(loadTextureSet(), 1);
    setTextureScreen(0, 0);
    EXPECT_EQ(levelParameter(backgroundTextures[4], GL_TEXTURE_HEIGHT), 512);
    EXPECT_EQ(levelParameter(menuTextures[1], GL_TEXTURE_WIDTH), 512);
    EXPECT_EQ(levelParameter(gemTextures[10], GL_TEXTURE_WIDTH), 32);
    EXPECT_EQ(levelParameter(gemTextures[10], GL_TEXTURE_WIDTH, 5), 1);
    deleteTextures();

    DibFile later;
    later.headerSize = 108;
    later.pixels = {0, 0, 0, 0};
    scratch.write("pic/bbgr2.bmp", buildBmp(later));
    BoxRecorder boxes;
    startTexturePreparation();
    EXPECT_EQ(loadTextureSet(), 0);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Unknown DIB file format.");
    EXPECT_EQ(createdCount(), 2);
}

// The level a screen gets is halved from the picture a band of rows at a time: it must be the very
// level the whole picture's chain makes, odd sides, top-down rows, palettes and runs included.
TEST_F(TextureSet, ReducedLevelsAreTheWholePicturesChainTexelForTexel) {
    DibFile bottomUp;  // 24-bit, 1001 x 2103: two halvings for 600 lines, three rows left over
    bottomUp.width = 1001;
    bottomUp.height = 2103;
    const int stride = (1001 * 3 + 3) / 4 * 4;
    bottomUp.pixels.resize(size_t(stride) * 2103);
    for (int y = 0; y < 2103; ++y)
        for (int x = 0; x < 1001 * 3; ++x) bottomUp.pixels[size_t(y) * stride + x] = uint8_t(x * 7 + y * 13 + (x * y) % 5);
    DibFile topDown;  // 8-bit, rows stored from the top
    topDown.width = 1027;
    topDown.height = -2050;
    topDown.bitCount = 8;
    for (int i = 0; i < 256; ++i) topDown.table = topDown.table + quad(uint8_t(i), uint8_t(255 - i), uint8_t(i * 3));
    const int indexStride = (1027 + 3) / 4 * 4;
    topDown.pixels.resize(size_t(indexStride) * 2050);
    for (int y = 0; y < 2050; ++y)
        for (int x = 0; x < 1027; ++x) topDown.pixels[size_t(y) * indexStride + x] = uint8_t(x * 3 + y * y);
    DibFile runs;  // run-length rows of every length, ended early, and a jump over rows
    runs.width = 1024;
    runs.height = 2048;
    runs.bitCount = 8;
    runs.compression = 1;
    runs.table = topDown.table;
    for (int y = 0; y < 2048; ++y) {
        if (y == 100) {
            runs.pixels = runs.pixels + Bytes{0, 2, 5, 3};  // on 5 columns and 3 rows
            y += 3;
        }
        runs.pixels = runs.pixels + Bytes{uint8_t(y * 7 % 250 + 1), uint8_t(y), 0, 0};
    }
    runs.pixels = runs.pixels + Bytes{0, 1};
    scratch.write("pic/bbgr.bmp", buildBmp(bottomUp));
    scratch.write("pic/bbgr1.bmp", buildBmp(topDown));
    scratch.write("pic/bbgr2.bmp", buildBmp(runs));
    startTexturePreparation();
    setTextureScreen(800, 600);
    ASSERT_EQ(loadTextureSet(), 1);
    setTextureScreen(0, 0);
    // The shipped run-length pictures, 8- and 4-bit, stream too.
    const struct {
        GLuint texture;
        const char* file;
    } checked[] = {{backgroundTextures[0], backgroundFiles[0]}, {backgroundTextures[1], backgroundFiles[1]},
                   {backgroundTextures[2], backgroundFiles[2]}, {menuTextures[0], menuFiles[0]}, {keyTextures[2], keyFiles[2]}};
    for (const auto& c : checked) {
        Image image(loadImageFile(c.file));
        ASSERT_TRUE(image);
        struct Wanted {
            int level, width, height;
            Bytes texels;
        } wanted = {2, 0, 0, {}};
        buildMipChain(image->data, image->width, image->height,
                      [](void* c, int level, int width, int height, const unsigned char* rgb) {
                          Wanted& w = *static_cast<Wanted*>(c);
                          if (level == w.level) w = {level, width, height, Bytes(rgb, rgb + size_t(width) * height * 3)};
                      },
                      &wanted);
        ASSERT_EQ(levelParameter(c.texture, GL_TEXTURE_WIDTH), wanted.width) << c.file;
        ASSERT_EQ(levelParameter(c.texture, GL_TEXTURE_HEIGHT), wanted.height) << c.file;
        Bytes texels(wanted.texels.size());
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        EXPECT_TRUE(texels == wanted.texels) << c.file;
    }
}

TEST_F(TextureSet, LoadImageFileAndLoadTextureTakeNothingThatIsNotThere) {
    BoxRecorder boxes;
    EXPECT_EQ(loadImageFile(nullptr), nullptr);
    EXPECT_EQ(loadImageFile("pic/none.bmp"), nullptr);
    GLuint slot = 0;
    EXPECT_EQ(loadTexture("pic/none.bmp", &slot, GL_LINEAR), 0);
    EXPECT_EQ(slot, 0u);
    EXPECT_TRUE(boxes.boxes().empty());
}

// Each level as the sink saw it: its size and its tightly packed rows.
struct Level {
    int width, height;
    Bytes texels;
};

void keepLevel(void* context, int level, int width, int height, const unsigned char* rgb) {
    auto& levels = *static_cast<std::vector<Level>*>(context);
    EXPECT_EQ(level, int(levels.size()));
    levels.push_back(Level{width, height, Bytes(rgb, rgb + size_t(width) * size_t(height) * 3)});
}

// Odd sides, rows of 9 and 15 bytes, in blocks of exactly the picture's size, so that AddressSanitizer
// sees any read past it. Texels differ per row (tall) or per column (wide) in every channel, so that
// each level's values are plain sums; a side of 1 is reached first by width, then by height.
TEST(MipChain, HalvesTightlyPackedOddSizesInPlaceDownToOneTexel) {
    Bytes tall;  // 3 x 5: the last column and row take no part, as in GL's own halving
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 3; ++x) tall.insert(tall.end(), {uint8_t(10 * y), uint8_t(200 - 10 * y), uint8_t(7 + x)});
    std::vector<Level> levels;
    EXPECT_EQ(buildMipChain(tall.data(), 3, 5, keepLevel, &levels), 3);
    ASSERT_EQ(levels.size(), 3u);
    EXPECT_EQ(levels[1].width, 1);
    EXPECT_EQ(levels[1].height, 2);
    EXPECT_EQ(levels[1].texels, (Bytes{5, 195, 8, 25, 175, 8}));
    EXPECT_EQ(levels[2].width, 1);
    EXPECT_EQ(levels[2].height, 1);
    EXPECT_EQ(levels[2].texels, (Bytes{15, 185, 8}));

    Bytes wide;  // 5 x 2
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x) wide.insert(wide.end(), {uint8_t(10 * x), uint8_t(200 - 10 * x), uint8_t(7 + y)});
    levels.clear();
    EXPECT_EQ(buildMipChain(wide.data(), 5, 2, keepLevel, &levels), 3);
    ASSERT_EQ(levels.size(), 3u);
    EXPECT_EQ(levels[1].width, 2);
    EXPECT_EQ(levels[1].height, 1);
    EXPECT_EQ(levels[1].texels, (Bytes{5, 195, 8, 25, 175, 8}));
    EXPECT_EQ(levels[2].texels, (Bytes{15, 185, 8}));
}

// The pictures were drawn for 2160 lines; each screen gets the smallest level it magnifies by at most
// about 1.25, and no driver a level above its limit.
TEST(FirstLevel, FollowsTheScreenAndTheDriversLimit) {
    const auto background = [](int lines, int limit) {
        return firstLevelShown(1024, 2048, shownPixels(32.0f, 40.0f, lines), limit);
    };
    EXPECT_EQ(background(2160, 16384), 0);
    EXPECT_EQ(background(1080, 16384), 1);
    EXPECT_EQ(background(600, 16384), 2);
    EXPECT_EQ(background(2160, 2048), 0);
    EXPECT_EQ(background(2160, 1024), 1);
    EXPECT_EQ(background(600, 1024), 2);
    // The selected button is drawn at 0.73 of its texels at 2160 lines: level 0 only above some 1850.
    const auto button = [](int lines, int limit) {
        return firstLevelShown(2048, 1024, shownPixels(2.0f, 7.0f, lines), limit);
    };
    EXPECT_EQ(button(2160, 16384), 0);
    EXPECT_EQ(button(2000, 16384), 0);
    EXPECT_EQ(button(1440, 16384), 1);
    EXPECT_EQ(button(1080, 16384), 1);
    EXPECT_EQ(button(2160, 1024), 1);
    EXPECT_EQ(button(768, 1024), 2);
    // A screen not known gets the file's own level 0; a 1-texel side goes no further.
    EXPECT_EQ(firstLevelShown(128, 128, 0.0, 16384), 0);
    EXPECT_EQ(firstLevelShown(4096, 1, 0.0, 1024), 2);
    EXPECT_EQ(firstLevelShown(1, 1, 5000.0, 1), 0);
}

}  // namespace
