// The BMP decoder against hand-built files: every accepted variant pixel by pixel, every refusal
// with its exact message.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "assets/dib.h"
#include "platform/platform.h"
#include "support.h"

namespace {

// A table of n entries where entry i is (3i, 3i + 1, 3i + 2), so no entry is black.
Bytes rampTable(int n, bool triples = false) {
    Bytes t;
    for (int i = 0; i < n; ++i) {
        const uint8_t v = uint8_t(3 * i);
        t = t + (triples ? triple(v, uint8_t(v + 1), uint8_t(v + 2)) : quad(v, uint8_t(v + 1), uint8_t(v + 2)));
    }
    return t;
}

// The output pixels of ramp entries, black for -1.
Bytes rampPixels(std::initializer_list<int> indices) {
    Bytes out;
    for (int i : indices) {
        if (i < 0) out = out + Bytes{0, 0, 0};
        else out = out + Bytes{uint8_t(3 * i), uint8_t(3 * i + 1), uint8_t(3 * i + 2)};
    }
    return out;
}

// Decodes and expects success with no message box.
Image decodeQuietly(const Bytes& file) {
    BoxRecorder boxes;
    Image image = decodeBytes(file);
    EXPECT_TRUE(boxes.boxes().empty()) << boxes.boxes()[0].text;
    return image;
}

// The pixels of a file that must decode without a message box; empty when it does not decode.
Bytes decodedPixels(const DibFile& d) { return pixelsOf(decodeQuietly(buildBmp(d))); }

TEST(DibDecoder, TwentyFourBitRowsStayBottomFirstWithRedAndBlueSwapped) {
    DibFile d;
    d.width = 3;
    d.height = 2;
    // Stored rows are 12 bytes (9 + 3 alignment bytes); the first is the bottom row.
    d.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0};
    Image image = decodeQuietly(buildBmp(d));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 3);
    EXPECT_EQ(image->height, 2);
    EXPECT_EQ(pixelsOf(image), (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13, 18, 17, 16}));

    // The same picture stored top row first comes out alike, with a positive height.
    d.height = -2;
    d.pixels = {10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0};
    Image topDown = decodeQuietly(buildBmp(d));
    ASSERT_TRUE(topDown);
    EXPECT_EQ(topDown->height, 2);
    EXPECT_EQ(pixelsOf(topDown), pixelsOf(image));
}

TEST(DibDecoder, LastRowMayLackItsAlignmentBytes) {
    DibFile d;
    d.width = 1;
    d.height = 2;
    d.pixels = {1, 2, 3, 0, 4, 5, 6};  // the top row's alignment byte is missing
    EXPECT_EQ(decodedPixels(d), (Bytes{3, 2, 1, 6, 5, 4}));
}

TEST(DibDecoder, ThirtyTwoBitIgnoresTheFourthByte) {
    DibFile d;
    d.width = 2;
    d.bitCount = 32;
    d.pixels = {1, 2, 3, 99, 4, 5, 6, 77};
    EXPECT_EQ(decodedPixels(d), (Bytes{3, 2, 1, 6, 5, 4}));
}

TEST(DibDecoder, SixteenBitWidensFiveBitComponentsByRepeatingTheirTopBits) {
    DibFile d;
    d.width = 3;
    d.bitCount = 16;
    // 0xFFFF: all components 31 (bit 15 ignored); 0x4020: red 16, green 1; 0x0001: blue 1.
    d.pixels = le16(0xFFFF) + le16(0x4020) + le16(0x0001) + Bytes{0, 0};
    EXPECT_EQ(decodedPixels(d), (Bytes{255, 255, 255, 132, 8, 0, 0, 0, 8}));
}

TEST(DibDecoder, BitfieldMasksAreHonoured) {
    DibFile d;
    d.width = 3;
    d.bitCount = 16;
    d.compression = 3;
    d.masks = le32(0xF800) + le32(0x07E0) + le32(0x001F);
    d.pixels = le16(0xF800) + le16(0x07E0) + le16(0x0821) + Bytes{0, 0};
    EXPECT_EQ(decodedPixels(d), (Bytes{255, 0, 0, 0, 255, 0, 8, 4, 8}));

    // 32 bits in red, green, blue, alpha byte order, then 10 bits a component.
    d.width = 1;
    d.bitCount = 32;
    d.masks = le32(0x000000FF) + le32(0x0000FF00) + le32(0x00FF0000);
    d.pixels = {10, 20, 30, 40};
    EXPECT_EQ(decodedPixels(d), (Bytes{10, 20, 30}));

    d.masks = le32(0x3FF00000) + le32(0x000FFC00) + le32(0x000003FF);
    d.pixels = le32(0x3FF00000u | 0x200u << 10 | 3u);
    EXPECT_EQ(decodedPixels(d), (Bytes{255, 128, 0}));
}

TEST(DibDecoder, IndexedPixelsPickTheirColourEntries) {
    DibFile d;
    d.bitCount = 1;
    d.width = 10;
    d.table = rampTable(2);
    d.pixels = {0xB0, 0x40, 0, 0};  // most significant bit first: 1011 0000 01
    EXPECT_EQ(decodedPixels(d), rampPixels({1, 0, 1, 1, 0, 0, 0, 0, 0, 1}));

    d.bitCount = 4;
    d.width = 3;
    d.table = rampTable(16);
    d.pixels = {0x12, 0x3F, 0, 0};  // high nibble first
    EXPECT_EQ(decodedPixels(d), rampPixels({1, 2, 3}));

    d.bitCount = 8;
    d.width = 4;
    d.table = rampTable(256);
    d.pixels = {0, 85, 200, 255};
    EXPECT_EQ(decodedPixels(d), rampPixels({0, 85, 200, 255}));
}

TEST(DibDecoder, ColoursUsedSetsTheTableAndIndicesPastItAreBlack) {
    // No file header: the pixels follow the 12 entries directly.
    DibFile d;
    d.fileHeader = false;
    d.bitCount = 8;
    d.width = 4;
    d.colorsUsed = 12;
    d.table = rampTable(12);
    d.pixels = {0, 11, 12, 255};
    EXPECT_EQ(decodedPixels(d), rampPixels({0, 11, -1, -1}));

    // A 24-bit file may carry a table too; without a file header its pixels follow it.
    DibFile t;
    t.fileHeader = false;
    t.colorsUsed = 2;
    t.table = rampTable(2);
    t.pixels = {1, 2, 3, 0};
    EXPECT_EQ(decodedPixels(t), (Bytes{3, 2, 1}));
}

TEST(DibDecoder, CoreHeaderReadsTriplesAndUnsignedSizes) {
    DibFile d;
    d.headerSize = 12;
    d.bitCount = 4;
    d.width = 1;
    d.height = 32768;  // negative if it were read as signed
    d.table = rampTable(16, true);
    d.pixels.assign(32768 * 4, 0);
    for (int r = 0; r < 32768; ++r) d.pixels[size_t(r) * 4] = uint8_t((r % 16) << 4);
    Image image = decodeQuietly(buildBmp(d));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 1);
    ASSERT_EQ(image->height, 32768);
    const Bytes px = pixelsOf(image);
    EXPECT_EQ(Bytes(px.begin(), px.begin() + 6), rampPixels({0, 1}));
    EXPECT_EQ(Bytes(px.end() - 3, px.end()), rampPixels({15}));

    // Without a file header the pixels follow the 16 triples.
    DibFile small = d;
    small.fileHeader = false;
    small.height = 1;
    small.pixels = {0x70, 0, 0, 0};
    EXPECT_EQ(decodedPixels(small), rampPixels({7}));
}

TEST(DibDecoder, RunLength8ExpandsRunsLiteralsLineEndsAndMoves) {
    DibFile d;
    d.bitCount = 8;
    d.compression = 1;
    d.width = 6;
    d.height = 3;
    d.colorsUsed = 8;
    d.table = rampTable(8);
    d.pixels = {3, 1, 0, 3, 2, 3, 4, 0,  // run of three 1s, then 2 3 4 as a padded literal
                0, 0,                    // end of line
                2, 5, 9, 7, 0, 0,        // two 5s, then 7s cut at the right edge
                0, 2, 3, 0,              // move 3 right: row 2, x 3
                1, 6, 0, 1};             // one 6, end of picture
    d.imageSize = uint32_t(d.pixels.size());
    EXPECT_EQ(decodedPixels(d), rampPixels({1, 1, 1, 2, 3, 4, 5, 5, 7, 7, 7, 7, -1, -1, -1, 6, -1, -1}));
}

TEST(DibDecoder, RunLength4AlternatesNibbles) {
    DibFile d;
    d.bitCount = 4;
    d.compression = 2;
    d.width = 5;
    d.height = 2;
    d.table = rampTable(16);
    d.pixels = {5, 0x12, 0, 0,           // 1 2 1 2 1, end of line
                0, 3, 0x34, 0x50,        // literal 3 4 5 (two bytes, already even)
                2, 0x66, 0, 1};          // 6 6, end of picture
    d.imageSize = uint32_t(d.pixels.size());
    EXPECT_EQ(decodedPixels(d), rampPixels({1, 2, 1, 2, 1, 3, 4, 5, 6, 6}));
}

TEST(DibDecoder, RunLengthDataEndsAtTheImageSizeAndLeavesTheRestBlack) {
    DibFile d;
    d.bitCount = 8;
    d.compression = 1;
    d.width = 4;
    d.height = 2;
    d.table = rampTable(256);
    d.imageSize = 2;  // only the first run counts
    d.pixels = {2, 1, 2, 2, 0, 1};
    EXPECT_EQ(decodedPixels(d), rampPixels({1, 1, -1, -1, -1, -1, -1, -1}));
}

TEST(DibColorCount, FollowsBitCountAndColoursUsed) {
    auto count = [](uint32_t headerSize, uint16_t bits, uint32_t used) {
        DibFile d;
        d.fileHeader = false;
        d.headerSize = headerSize;
        d.bitCount = bits;
        d.colorsUsed = used;
        return dibColorCount(buildBmp(d).data());
    };
    EXPECT_EQ(count(40, 1, 0), 2);
    EXPECT_EQ(count(40, 4, 0), 16);
    EXPECT_EQ(count(40, 8, 0), 256);
    EXPECT_EQ(count(40, 16, 0), 0);
    EXPECT_EQ(count(40, 24, 0), 0);
    EXPECT_EQ(count(40, 8, 12), 12);
    EXPECT_EQ(count(40, 24, 3), 3);
    EXPECT_EQ(count(40, 8, 70000), 70000 - 65536);
    EXPECT_EQ(count(12, 1, 0), 2);
    EXPECT_EQ(count(12, 4, 0), 16);
    EXPECT_EQ(count(12, 8, 0), 256);
    EXPECT_EQ(count(12, 24, 0), 0);
}

// Expects exactly one "Error" box with text and no picture.
void expectRefused(const Bytes& file, const std::string& text) {
    BoxRecorder boxes;
    Image image = decodeBytes(file);
    EXPECT_FALSE(image);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, text);
    EXPECT_EQ(boxes.boxes()[0].caption, "Error");
    EXPECT_EQ(boxes.boxes()[0].style, mbOk);
}

TEST(DibRefusal, FilesThatCannotBeOpenedNameTheFile) {
    ScratchDir dir;
    const std::string missing = dir.path() + "/missing.bmp";
    const std::string empty = dir.write("empty.bmp", {});
    // Far longer than any fixed buffer; the name is shown in full.
    const std::string longName = dir.path() + "/" + std::string(4000, 'x') + ".bmp";
    for (const std::string& name : {missing, empty, dir.path(), longName}) {
        SCOPED_TRACE(name.substr(0, 80));
        BoxRecorder boxes;
        EXPECT_EQ(loadDibImage(name.c_str()), nullptr);
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text, "Failed to open DIB file " + name + ".\n");
        EXPECT_EQ(boxes.boxes()[0].caption, "Error");
        EXPECT_EQ(boxes.boxes()[0].style, mbOk);
    }
}

TEST(DibRefusal, HeadersOtherThanCoreAndInfoAreUnknown) {
    for (uint32_t size : {108u, 124u, 64u, 16u, 0u}) {
        SCOPED_TRACE(size);
        DibFile d;
        d.headerSize = size;
        d.pixels = {1, 2, 3, 0};
        expectRefused(buildBmp(d), "Unknown DIB file format.");
    }
    // Too short to hold the header it announces.
    DibFile d;
    const Bytes whole = buildBmp(d);
    expectRefused(Bytes(whole.begin(), whole.begin() + 30), "Unknown DIB file format.");
    expectRefused(Bytes{'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, "Unknown DIB file format.");
    expectRefused(Bytes{'B'}, "Unknown DIB file format.");
}

TEST(DibRefusal, UnsupportedDepthsAndBrokenDataFailConversion) {
    const std::string message = "Image file conversion error.";
    auto refuse = [&](const char* what, DibFile d) {
        SCOPED_TRACE(what);
        expectRefused(buildBmp(d), message);
    };
    DibFile base;
    base.width = 4;
    base.height = 4;
    base.pixels = Bytes(48, 7);

    DibFile d = base;
    d.bitCount = 2;
    refuse("2 bits", d);
    d = base;
    d.compression = 1;
    refuse("24 bits run-length coded", d);
    d = base;
    d.compression = 4;
    refuse("embedded JPEG", d);
    d = base;
    d.compression = 3;
    d.masks = le32(0xFF0000) + le32(0xFF00) + le32(0xFF);
    refuse("24-bit bit fields", d);
    d = base;
    d.bitCount = 4;
    d.compression = 1;
    refuse("4 bits with the 8-bit scheme", d);

    d = base;
    d.width = 0;
    refuse("width 0", d);
    d = base;
    d.height = 0;
    refuse("height 0", d);
    d = base;
    d.width = -4;
    refuse("negative width", d);

    d = base;
    d.bitCount = 8;
    d.table = rampTable(10);  // 256 entries announced
    refuse("colour table past the end", d);
    d = base;
    d.colorsUsed = 65535;
    refuse("colours used past the end", d);
    d = base;
    d.pixelOffset = 14 + 40 + 48 + 1;
    refuse("pixel offset past the end", d);
    d = base;
    d.pixels.resize(36);
    refuse("rows past the end", d);
    d = base;
    d.bitCount = 16;
    d.compression = 3;
    d.masks = le32(0xF800) + le32(0x07E0);
    d.pixels.clear();
    refuse("masks cut off", d);
    d.masks = le32(0x0F0F) + le32(0x00F0) + le32(0xF000);
    d.pixels = Bytes(32, 0);
    refuse("mask with a gap", d);
    d.masks = le32(0x1F0000) + le32(0x07E0) + le32(0x001F);
    refuse("mask outside 16 bits", d);

    d = base;
    d.bitCount = 8;
    d.compression = 1;
    d.table = rampTable(256);
    d.pixels = {0, 10, 1, 2, 3};
    refuse("literal run past the end", d);
    d.pixels = {2, 1, 0, 2, 3};
    refuse("move past the end", d);
    d.pixels = {2, 1, 9};
    refuse("run past the end", d);
}

TEST(DibRefusal, AbsurdSizesAreRefusedBeforeAnyAllocation) {
    DibFile d;
    d.width = 40000;
    expectRefused(buildBmp(d), "Out of memory.");
    d.width = 30000;
    d.height = -30000;
    expectRefused(buildBmp(d), "Out of memory.");
    d.width = 1;
    d.height = INT32_MIN;
    expectRefused(buildBmp(d), "Out of memory.");
    // A few bytes of run-length data must not claim gigabytes.
    d.width = 32768;
    d.height = 32768;
    d.bitCount = 8;
    d.compression = 1;
    d.table = rampTable(256);
    d.pixels = {0, 1};
    expectRefused(buildBmp(d), "Out of memory.");
}

}  // namespace
