// Helpers of the asset tests: hand-built BMP files, a scratch folder, and captured message boxes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "assets/dib.h"

using Bytes = std::vector<uint8_t>;

// The fields of a hand-built BMP file; what is not set gets a plain default.
struct DibFile {
    bool fileHeader = true;
    uint32_t headerSize = 40;  // 12 writes a core header; sizes above 40 are padded with zeros
    int32_t width = 1;
    int32_t height = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t imageSize = 0;
    uint32_t colorsUsed = 0;
    Bytes masks;  // written right after the header
    Bytes table;  // colour entries, written after the masks
    Bytes pixels;
    int64_t pixelOffset = -1;  // -1: right after the table
};

Bytes buildBmp(const DibFile& d);
// Colour-table entries: four bytes (blue, green, red, 0) or three (blue, green, red).
Bytes quad(uint8_t r, uint8_t g, uint8_t b);
Bytes triple(uint8_t r, uint8_t g, uint8_t b);
Bytes le16(uint16_t v);
Bytes le32(uint32_t v);
Bytes operator+(Bytes a, const Bytes& b);

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return dir; }
    // Writes bytes to a file of that name in the folder; returns its full path.
    std::string write(const std::string& name, const Bytes& bytes) const;

private:
    std::string dir;
};

// Records every message box while it lives, instead of showing it.
class BoxRecorder {
public:
    struct Box {
        std::string text, caption;
        unsigned style;
    };
    BoxRecorder();
    ~BoxRecorder();
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;
    const std::vector<Box>& boxes() const;
};

struct ImageDeleter {
    void operator()(RgbImage* image) const;
};
using Image = std::unique_ptr<RgbImage, ImageDeleter>;

// Decodes bytes written to a scratch file.
Image decodeBytes(const Bytes& bytes);
// The decoded pixels as a byte vector (empty for null).
Bytes pixelsOf(const Image& image);
