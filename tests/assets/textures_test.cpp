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
        for (const Group& g : groups)
            for (int i = 0; i < g.count; ++i) {
                if (g.names[i]) glDeleteTextures(1, &g.names[i]);
                g.names[i] = 0;
            }
        if (!previous.empty()) fs::current_path(previous);
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

TEST_F(TextureSet, LoadImageFileAndLoadTextureTakeNothingThatIsNotThere) {
    BoxRecorder boxes;
    EXPECT_EQ(loadImageFile(nullptr), nullptr);
    EXPECT_EQ(loadImageFile("pic/none.bmp"), nullptr);
    GLuint slot = 0;
    EXPECT_EQ(loadTexture("pic/none.bmp", &slot, GL_LINEAR), 0);
    EXPECT_EQ(slot, 0u);
    EXPECT_TRUE(boxes.boxes().empty());
}

// Each level as the sink saw it: its size and its rows without their padding.
struct Level {
    int width, height;
    Bytes texels;
};

void keepLevel(void* context, int level, int width, int height, const unsigned char* rgb) {
    auto& levels = *static_cast<std::vector<Level>*>(context);
    EXPECT_EQ(level, int(levels.size()));
    Level kept{width, height, {}};
    const size_t row = (size_t(width) * 3 + 3) / 4 * 4;
    for (int y = 0; y < height; ++y) kept.texels.insert(kept.texels.end(), rgb + y * row, rgb + y * row + width * 3);
    levels.push_back(kept);
}

// Grey-ish texels that differ per row (tall) or per column (wide) in every channel, so that each
// level's values are plain sums; a side of 1 is reached first by width, then by height.
TEST(MipChain, HalvesInPlaceThroughPaddedRowsDownToOneTexel) {
    Bytes tall;  // 2 x 8, rows of 6 bytes padded to 8
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 2; ++x) tall.insert(tall.end(), {uint8_t(10 * y), uint8_t(200 - 10 * y), uint8_t(7 + x)});
        tall.insert(tall.end(), {0, 0});
    }
    std::vector<Level> levels;
    EXPECT_EQ(buildMipChain(tall.data(), 2, 8, keepLevel, &levels), 4);
    ASSERT_EQ(levels.size(), 4u);
    EXPECT_EQ(levels[1].width, 1);
    EXPECT_EQ(levels[1].height, 4);
    EXPECT_EQ(levels[1].texels, (Bytes{5, 195, 8, 25, 175, 8, 45, 155, 8, 65, 135, 8}));
    EXPECT_EQ(levels[2].texels, (Bytes{15, 185, 8, 55, 145, 8}));
    EXPECT_EQ(levels[3].width, 1);
    EXPECT_EQ(levels[3].height, 1);
    EXPECT_EQ(levels[3].texels, (Bytes{35, 165, 8}));

    Bytes wide;  // 8 x 2: rows of 24 bytes
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 8; ++x) wide.insert(wide.end(), {uint8_t(10 * x), uint8_t(200 - 10 * x), uint8_t(7 + y)});
    levels.clear();
    EXPECT_EQ(buildMipChain(wide.data(), 8, 2, keepLevel, &levels), 4);
    ASSERT_EQ(levels.size(), 4u);
    EXPECT_EQ(levels[1].width, 4);
    EXPECT_EQ(levels[1].height, 1);
    EXPECT_EQ(levels[1].texels, (Bytes{5, 195, 8, 25, 175, 8, 45, 155, 8, 65, 135, 8}));
    EXPECT_EQ(levels[2].texels, (Bytes{15, 185, 8, 55, 145, 8}));
    EXPECT_EQ(levels[3].texels, (Bytes{35, 165, 8}));
}

}  // namespace
