// The BMP decoder against an independent one: files written by ImageMagick's BMP writers, decoded
// by ImageMagick itself to raw RGB, must give the same pixels.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "assets/dib.h"
#include "support.h"

namespace {

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int run(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()); }

// A 29 x 13 picture of pseudo-random colours with some flat stretches, so that run-length coding
// has runs and literals both. 29 columns leave alignment bytes at every depth.
std::string writeSource(const ScratchDir& dir) {
    const int w = 29, h = 13;
    Bytes ppm;
    const std::string head = "P6\n29 13\n255\n";
    ppm.insert(ppm.end(), head.begin(), head.end());
    uint32_t state = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (x % 7 < 3) state = state * 1103515245u + 12345u;  // repeats the colour on the others
            ppm.push_back(uint8_t(state >> 24));
            ppm.push_back(uint8_t(state >> 16));
            ppm.push_back(uint8_t(state >> 8));
        }
    return dir.write("source.ppm", ppm);
}

struct Variant {
    const char* name;
    const char* options;  // ImageMagick options and output format prefix
    uint32_t headerSize;
    uint16_t bitCount;
    uint32_t compression;
};

const Variant variants[] = {
    {"24-bit info", "-compress none BMP3:", 40, 24, 0},
    {"32-bit info", "-alpha on -define bmp3:alpha=true -compress none BMP3:", 40, 32, 0},
    {"8-bit info", "-colors 200 -type palette -compress none BMP3:", 40, 8, 0},
    {"8-bit run-length", "-colors 200 -type palette -compress RLE BMP3:", 40, 8, 1},
    {"4-bit info", "-colors 16 -type palette -compress none BMP3:", 40, 4, 0},
    {"1-bit info", "-monochrome -type bilevel -compress none BMP3:", 40, 1, 0},
    {"24-bit core", "BMP2:", 12, 24, 0},
    {"8-bit core", "-colors 100 -type palette BMP2:", 12, 8, 0},
    {"4-bit core", "-colors 16 -type palette BMP2:", 12, 4, 0},
};

TEST(DibAgainstImageMagick, EveryWrittenVariantDecodesToTheSamePixels) {
    ScratchDir dir;
    const std::string source = writeSource(dir);
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        const std::string bmp = dir.path() + "/variant.bmp", raw = dir.path() + "/reference.rgb";
        ASSERT_EQ(run("convert " + source + " " + v.options + bmp), 0) << "ImageMagick (convert) is needed";
        ASSERT_EQ(run("convert " + bmp + " -depth 8 rgb:" + raw), 0);

        // The writer produced the variant meant, not another one.
        const Bytes file = readFile(bmp);
        ASSERT_GE(file.size(), 34u);
        ASSERT_EQ(file[14] | file[15] << 8, int(v.headerSize));
        if (v.headerSize == 12) {
            ASSERT_EQ(file[24] | file[25] << 8, v.bitCount);
        } else {
            ASSERT_EQ(file[28] | file[29] << 8, v.bitCount);
            ASSERT_EQ(uint32_t(file[30]), v.compression);
        }

        BoxRecorder boxes;
        Image image(loadDibImage(bmp.c_str()));
        ASSERT_TRUE(image);
        EXPECT_TRUE(boxes.boxes().empty());
        ASSERT_EQ(image->width, 29);
        ASSERT_EQ(image->height, 13);
        // The reference lists the top row first; ours the bottom row first.
        const Bytes reference = readFile(raw);
        ASSERT_EQ(reference.size(), 29u * 13 * 3);
        const Bytes ours = pixelsOf(image);
        for (int row = 0; row < 13; ++row) {
            const auto mine = ours.begin() + row * 87;
            const auto theirs = reference.begin() + (12 - row) * 87;
            EXPECT_TRUE(std::equal(mine, mine + 87, theirs)) << "row " << row << " from the bottom";
        }
    }
}

TEST(DibAgainstImageMagick, LaterHeaderVersionIsRefused) {
    ScratchDir dir;
    const std::string source = writeSource(dir), bmp = dir.path() + "/later.bmp";
    ASSERT_EQ(run("convert " + source + " BMP:" + bmp), 0) << "ImageMagick (convert) is needed";
    const Bytes file = readFile(bmp);
    ASSERT_GE(file.size(), 18u);
    EXPECT_GT(file[14] | file[15] << 8, 40);
    BoxRecorder boxes;
    EXPECT_EQ(loadDibImage(bmp.c_str()), nullptr);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Unknown DIB file format.");
}

}  // namespace
