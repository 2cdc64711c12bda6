// Helpers of the asset tests: BMP builder, scratch folder, message-box capture.
#include "support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/platform.h"

Bytes le16(uint16_t v) { return {uint8_t(v), uint8_t(v >> 8)}; }
Bytes le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }
Bytes quad(uint8_t r, uint8_t g, uint8_t b) { return {b, g, r, 0}; }
Bytes triple(uint8_t r, uint8_t g, uint8_t b) { return {b, g, r}; }
Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes buildBmp(const DibFile& d) {
    Bytes h;
    if (d.headerSize == 12) {
        h = le32(12) + le16(uint16_t(d.width)) + le16(uint16_t(d.height)) + le16(1) + le16(d.bitCount);
    } else {
        h = le32(d.headerSize) + le32(uint32_t(d.width)) + le32(uint32_t(d.height)) + le16(1) + le16(d.bitCount) +
            le32(d.compression) + le32(d.imageSize) + le32(2835) + le32(2835) + le32(d.colorsUsed) + le32(0);
        if (d.headerSize > h.size()) h.resize(d.headerSize, 0);
    }
    h = h + d.masks + d.table;
    if (!d.fileHeader) return h + d.pixels;
    const uint32_t offset = d.pixelOffset >= 0 ? uint32_t(d.pixelOffset) : uint32_t(14 + h.size());
    Bytes f = Bytes{'B', 'M'} + le32(uint32_t(14 + h.size() + d.pixels.size())) + le32(0) + le32(offset);
    return f + h + d.pixels;
}

ScratchDir::ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "brinvale-assets-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    dir = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

std::string ScratchDir::write(const std::string& name, const Bytes& bytes) const {
    const std::string path = dir + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
    std::fclose(f);
    return path;
}

namespace {
std::vector<BoxRecorder::Box> recorded;
PlatformBackend recordingBackend;
const PlatformBackend* previousBackend = nullptr;

int recordBox(const char* text, const char* caption, unsigned style) {
    recorded.push_back({text ? text : "", caption ? caption : "", style});
    return idOk;
}
}  // namespace

BoxRecorder::BoxRecorder() {
    recorded.clear();
    previousBackend = currentPlatform();
    recordingBackend = *previousBackend;
    recordingBackend.showMessageBox = recordBox;
    installPlatform(&recordingBackend);
}

BoxRecorder::~BoxRecorder() { installPlatform(previousBackend); }

const std::vector<BoxRecorder::Box>& BoxRecorder::boxes() const { return recorded; }

void ImageDeleter::operator()(RgbImage* image) const {
    std::free(image->data);
    std::free(image);
}

Image decodeBytes(const Bytes& bytes) {
    ScratchDir dir;
    return Image(loadDibImage(dir.write("picture.bmp", bytes).c_str()));
}

Bytes pixelsOf(const Image& image) {
    if (!image) return {};
    return Bytes(image->data, image->data + size_t(image->width) * size_t(image->height) * 3);
}
