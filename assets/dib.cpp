// BMP decoder: one read-only mapping of the file, checked headers, pixels converted to RGB rows.
#include "assets/dib.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "platform/platform.h"

namespace {

const char* const errorCaption = "Error";
const char* const outOfMemory = "Out of memory.";
const char* const unknownFormat = "Unknown DIB file format.";
const char* const conversionError = "Image file conversion error.";

constexpr uint32_t coreHeaderSize = 12;
constexpr uint32_t infoHeaderSize = 40;
constexpr uint32_t fileHeaderSize = 14;

constexpr uint32_t biRgb = 0;
constexpr uint32_t biRle8 = 1;
constexpr uint32_t biRle4 = 2;
constexpr uint32_t biBitfields = 3;

// Larger pictures than this are refused before anything is allocated: no texture is that big, and
// a few bytes of run-length data must not be able to claim gigabytes.
constexpr int64_t maxSide = 32768;
constexpr int64_t maxPixels = int64_t(1) << 28;

uint16_t read16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t read32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The whole file, mapped read-only; everything is released when it goes out of scope.
class MappedFile {
public:
    MappedFile() = default;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
#ifdef _WIN32
    ~MappedFile() {
        if (view) UnmapViewOfFile(view);
        if (mapping) CloseHandle(mapping);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }

    // Opens and maps fileName; false when it cannot be opened, is empty or cannot be mapped.
    bool open(const char* fileName) {
        file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        LARGE_INTEGER fileSize;
        if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &fileSize) || fileSize.QuadPart <= 0)
            return false;
        size = size_t(fileSize.QuadPart);
        mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
        if (!mapping) return false;
        view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
        return view != nullptr;
    }

    const unsigned char* bytes() const { return static_cast<const unsigned char*>(view); }
    size_t length() const { return size; }

private:
    HANDLE file = INVALID_HANDLE_VALUE;
    HANDLE mapping = nullptr;
    void* view = nullptr;
    size_t size = 0;
#else
    ~MappedFile() {
        if (view != MAP_FAILED) munmap(view, size);
        if (fd >= 0) close(fd);
    }

    // Opens and maps fileName; false when it cannot be opened, is empty or cannot be mapped.
    bool open(const char* fileName) {
        fd = ::open(fileName, O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        struct stat st;
        if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) return false;
        size = size_t(st.st_size);
        int flags = MAP_PRIVATE;
#ifdef MAP_POPULATE
        flags |= MAP_POPULATE;  // one pass over the page cache instead of a fault per page
#endif
        view = mmap(nullptr, size, PROT_READ, flags, fd, 0);
        return view != MAP_FAILED;
    }

    const unsigned char* bytes() const { return static_cast<const unsigned char*>(view); }
    size_t length() const { return size; }

private:
    int fd = -1;
    void* view = MAP_FAILED;
    size_t size = 0;
#endif
};

// One colour component taken out of a 16- or 32-bit pixel through its mask, widened to 8 bits.
struct Channel {
    uint32_t mask;
    int shift;        // position of the mask's lowest bit
    int narrowShift;  // for masks wider than 8 bits: what drops the extra low bits
    unsigned char widened[256];  // for masks of 8 bits or fewer: value -> 8-bit component

    unsigned char operator()(uint32_t pixel) const {
        uint32_t v = (pixel & mask) >> shift;
        return narrowShift >= 0 ? (unsigned char)(v >> narrowShift) : widened[v];
    }
};

// Widens a value of `bits` bits to 8 by shifting it up and repeating its top bits below.
unsigned char widenComponent(uint32_t value, int bits) {
    uint32_t r = value << (8 - bits);
    for (int filled = bits; filled < 8; filled *= 2) r |= r >> filled;
    return (unsigned char)r;
}

// Prepares a channel for mask; false for a mask whose bits are not contiguous or lie outside the
// pixel.
bool setUpChannel(Channel& c, uint32_t mask, int bitCount) {
    c.mask = mask;
    c.shift = 0;
    c.narrowShift = -1;
    std::memset(c.widened, 0, sizeof c.widened);
    if (mask == 0) return true;  // the component is always 0
    if (bitCount < 32 && (mask >> bitCount) != 0) return false;
    while (!((mask >> c.shift) & 1)) ++c.shift;
    uint32_t bits = mask >> c.shift;
    if (bits & (bits + 1)) return false;
    int width = 0;
    while (width < 32 && ((bits >> width) & 1)) ++width;
    if (width > 8) {
        c.narrowShift = width - 8;
    } else {
        for (uint32_t v = 0; v <= bits; ++v) c.widened[v] = widenComponent(v, width);
    }
    return true;
}

// Everything the pixel conversion needs, taken from the checked headers.
struct Layout {
    int32_t width;
    int32_t rows;  // |height|
    bool topDown;  // the first stored row is the top row (negative height)
    uint16_t bitCount;
    uint32_t compression;
    uint32_t imageSize;
    alignas(4) unsigned char palette[256][4];  // red, green, blue, 0; black past the colour table
    Channel channels[3];            // red, green, blue of 16- and 32-bit pixels
    const unsigned char* pixels;
    size_t available;  // bytes from pixels to the end of the file
};

unsigned char* outputRow(const Layout& l, unsigned char* out, int64_t storedRow) {
    int64_t row = l.topDown ? l.rows - 1 - storedRow : storedRow;
    return out + row * int64_t(l.width) * 3;
}

void putIndex(const Layout& l, unsigned char* dst, unsigned index) { std::memcpy(dst, l.palette[index], 3); }

// The 8- and 24-bit rows are the hot loops. They may store a few bytes past a pixel, always
// overwritten by the next pixels of the same row; the end of a row is written exactly, so that no
// row touches another.
#if defined(__x86_64__) || defined(__i386__)
// Eight pixels a step: one gather of their palette entries, one shuffle to drop the fourth bytes.
__attribute__((target("avx2"))) int32_t convertIndicesGathered(const Layout& l, const unsigned char* src,
                                                              unsigned char* dst, int32_t w) {
    const __m256i pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                          0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const int* entries = reinterpret_cast<const int*>(l.palette);
    int32_t x = 0;
    for (; x + 10 <= w; x += 8) {  // the second 16-byte store ends 4 bytes past the eighth pixel
        const __m128i indices = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + x));
        const __m256i colours = _mm256_i32gather_epi32(entries, _mm256_cvtepu8_epi32(indices), 4);
        const __m256i packed = _mm256_shuffle_epi8(colours, pack);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 3 * x), _mm256_castsi256_si128(packed));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 3 * x + 12), _mm256_extracti128_si256(packed, 1));
    }
    return x;
}
const bool haveGather = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
#endif

void convertIndexRow(const Layout& l, const unsigned char* src, unsigned char* dst, int32_t w) {
    int32_t x = 0;
#if defined(__x86_64__) || defined(__i386__)
    if (haveGather) x = convertIndicesGathered(l, src, dst, w);
#endif
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    // Four pixels packed into one 8-byte and one 4-byte store.
    auto entry = [&](int32_t i) {
        uint32_t v;
        std::memcpy(&v, l.palette[src[i]], 4);
        return uint64_t(v);
    };
    for (; x + 4 <= w; x += 4) {
        const uint64_t a = entry(x), b = entry(x + 1), c = entry(x + 2), d = entry(x + 3);
        const uint64_t low = a | b << 24 | c << 48;
        const uint32_t high = uint32_t(c >> 16 | d << 8);
        std::memcpy(dst + 3 * x, &low, 8);
        std::memcpy(dst + 3 * x + 8, &high, 4);
    }
#endif
    for (; x + 1 < w; ++x) std::memcpy(dst + 3 * x, l.palette[src[x]], 4);  // the fourth byte is the next pixel's
    if (x < w) putIndex(l, dst + 3 * x, src[x]);
}

#if defined(__x86_64__) || defined(__i386__)
// Five pixels a step with one byte shuffle, on processors that have it (nearly all today).
__attribute__((target("ssse3"))) void swapRedAndBlueShuffled(const unsigned char* src, unsigned char* dst,
                                                             int32_t w) {
    const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    int32_t x = 0;
    for (; x + 6 <= w; x += 5) {  // a 16-byte load and store stay inside the row
        const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 3 * x), _mm_shuffle_epi8(in, order));
    }
    for (; x < w; ++x) {
        dst[3 * x] = src[3 * x + 2];
        dst[3 * x + 1] = src[3 * x + 1];
        dst[3 * x + 2] = src[3 * x];
    }
}
const bool haveShuffle = (__builtin_cpu_init(), __builtin_cpu_supports("ssse3"));
#endif

void swapRedAndBlue(const unsigned char* src, unsigned char* dst, int32_t w) {
#if defined(__x86_64__) || defined(__i386__)
    if (haveShuffle) return swapRedAndBlueShuffled(src, dst, w);
#endif
    for (int32_t x = 0; x < w; ++x) {
        dst[3 * x] = src[3 * x + 2];
        dst[3 * x + 1] = src[3 * x + 1];
        dst[3 * x + 2] = src[3 * x];
    }
}

void convertRow(const Layout& l, const unsigned char* src, unsigned char* dst) {
    const int32_t w = l.width;
    switch (l.bitCount) {
    case 1:
        for (int32_t x = 0; x < w; ++x) putIndex(l, dst + 3 * x, (src[x >> 3] >> (7 - (x & 7))) & 1);
        break;
    case 4:
        for (int32_t x = 0; x < w; ++x)
            putIndex(l, dst + 3 * x, (x & 1) ? src[x >> 1] & 15 : src[x >> 1] >> 4);
        break;
    case 8: convertIndexRow(l, src, dst, w); break;
    case 16:
    case 32:
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t v = l.bitCount == 16 ? read16(src + 2 * x) : read32(src + 4 * x);
            dst[3 * x] = l.channels[0](v);
            dst[3 * x + 1] = l.channels[1](v);
            dst[3 * x + 2] = l.channels[2](v);
        }
        break;
    case 24: swapRedAndBlue(src, dst, w); break;
    }
}

int64_t storedRowBytes(const Layout& l) { return (int64_t(l.width) * l.bitCount + 31) / 32 * 4; }

void convertUncompressed(const Layout& l, unsigned char* out) {
    const int64_t stride = storedRowBytes(l);
    for (int64_t r = 0; r < l.rows; ++r) convertRow(l, l.pixels + r * stride, outputRow(l, out, r));
}

// Expands run-length-encoded indices (8- or 4-bit scheme) into the rows rowAt(stored row) gives,
// which start all black and are asked for in rising order. Pixels outside the picture are dropped;
// false when a run or escape is cut off by the end of the data.
template <typename RowAt>
bool expandRunLength(const Layout& l, RowAt rowAt) {
    const bool nibbles = l.compression == biRle4;
    const unsigned char* p = l.pixels;
    const unsigned char* end = p + (l.imageSize < l.available ? l.imageSize : l.available);
    int64_t x = 0, y = 0;
    unsigned char* row = rowAt(0);
    while (p < end && y < l.rows) {
        if (end - p < 2) return false;
        const unsigned n = p[0], code = p[1];
        p += 2;
        if (n > 0) {  // a run of n pixels, repeating one index or, in nibbles, two alternately
            int64_t stop = x + n < l.width ? x + n : l.width;
            for (int64_t i = 0; x + i < stop; ++i)
                putIndex(l, row + 3 * (x + i), nibbles ? ((i & 1) ? code & 15 : code >> 4) : code);
            x += n;
        } else if (code == 0) {  // end of line
            x = 0;
            if (++y < l.rows) row = rowAt(y);
        } else if (code == 1) {  // end of picture
            break;
        } else if (code == 2) {  // move on by the next two bytes: columns, then stored rows
            if (end - p < 2) return false;
            x += p[0];
            y += p[1];
            p += 2;
            if (y < l.rows) row = rowAt(y);
        } else {  // `code` literal indices, padded to an even number of bytes
            const int64_t bytes = nibbles ? (code + 1) / 2 : code;
            if (end - p < bytes) return false;
            for (unsigned i = 0; i < code; ++i, ++x) {
                if (x >= l.width) continue;
                putIndex(l, row + 3 * x, nibbles ? ((i & 1) ? p[i / 2] & 15 : p[i / 2] >> 4) : p[i]);
            }
            p += bytes;
            if ((bytes & 1) && p < end) ++p;  // a missing pad byte at the very end is forgiven
        }
    }
    return true;
}

bool validDepth(uint16_t bitCount, uint32_t compression) {
    switch (compression) {
    case biRgb:
        return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
               bitCount == 32;
    case biRle8: return bitCount == 8;
    case biRle4: return bitCount == 4;
    case biBitfields: return bitCount == 16 || bitCount == 32;
    default: return false;
    }
}

// Reads and checks the headers of the mapped file into l; returns the message for a file that
// cannot be decoded, or null.
const char* readLayout(const unsigned char* file, size_t size, Layout& l) {
    size_t info = 0;
    bool havePixelOffset = false;
    uint32_t pixelOffset = 0;
    if (size >= 2 && read16(file) == 0x4D42) {
        if (size < fileHeaderSize + 4) return unknownFormat;
        pixelOffset = read32(file + 10);
        havePixelOffset = true;
        info = fileHeaderSize;
    } else if (size < 4) {
        return unknownFormat;
    }
    const unsigned char* h = file + info;
    const uint32_t headerSize = read32(h);
    if (headerSize != coreHeaderSize && headerSize != infoHeaderSize) return unknownFormat;
    if (size - info < headerSize) return unknownFormat;

    const uint32_t count = dibColorCount(h);
    int64_t width, height;
    uint32_t entrySize;
    if (headerSize == coreHeaderSize) {
        width = read16(h + 4);
        height = read16(h + 6);
        l.bitCount = read16(h + 10);
        l.compression = biRgb;
        l.imageSize = 0;
        entrySize = 3;
    } else {
        width = int32_t(read32(h + 4));
        height = int32_t(read32(h + 8));
        l.bitCount = read16(h + 14);
        l.compression = read32(h + 16);
        l.imageSize = read32(h + 20);
        entrySize = 4;
    }
    if (!validDepth(l.bitCount, l.compression)) return conversionError;
    if (width <= 0 || height == 0) return conversionError;
    const int64_t rows = height < 0 ? -height : height;
    if (width > maxSide || rows > maxSide || width * rows > maxPixels) return outOfMemory;
    l.width = int32_t(width);
    l.rows = int32_t(rows);
    l.topDown = height < 0;
    // Unset, the run-length data may run to the size of the uncompressed rows, without padding.
    if (l.imageSize == 0) l.imageSize = (uint32_t(l.bitCount) * uint32_t(width) + 7) / 8 * uint32_t(rows);

    // Masks of bit-field pixels sit right after the info header, before any colour table.
    size_t table = info + headerSize;
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (l.bitCount == 32) {
        masks[0] = 0xFF0000;
        masks[1] = 0xFF00;
        masks[2] = 0xFF;
    }
    if (l.compression == biBitfields) {
        if (size - table < 12) return conversionError;
        for (int i = 0; i < 3; ++i) masks[i] = read32(file + table + 4 * i);
        table += 12;
    }
    if (l.bitCount == 16 || l.bitCount == 32)
        for (int i = 0; i < 3; ++i)
            if (!setUpChannel(l.channels[i], masks[i], l.bitCount)) return conversionError;

    if (size - table < uint64_t(count) * entrySize) return conversionError;
    std::memset(l.palette, 0, sizeof l.palette);
    for (uint32_t i = 0; i < count && i < 256; ++i) {
        const unsigned char* e = file + table + i * entrySize;
        l.palette[i][0] = e[2];
        l.palette[i][1] = e[1];
        l.palette[i][2] = e[0];
    }

    const uint64_t pixelStart = havePixelOffset ? pixelOffset : table + uint64_t(count) * entrySize;
    if (pixelStart > size) return conversionError;
    l.pixels = file + pixelStart;
    l.available = size - size_t(pixelStart);
    if (l.compression == biRgb || l.compression == biBitfields) {
        // The last row's alignment padding need not be in the file: it is never read.
        const uint64_t needed = uint64_t(storedRowBytes(l)) * uint64_t(rows - 1) +
                                (uint64_t(width) * l.bitCount + 7) / 8;
        if (needed > l.available) return conversionError;
    }
    return nullptr;
}

// Decodes the mapped file; hands report the reason and returns null when it cannot.
RgbImage* decodeMapped(const unsigned char* file, size_t size, DibFailureSink report, void* context) {
    Layout l;
    RgbImage* image = nullptr;
    const char* failure = readLayout(file, size, l);
    if (!failure) {
        const size_t bytes = size_t(l.width) * size_t(l.rows) * 3;
        const bool runLength = l.compression == biRle8 || l.compression == biRle4;
        // Run-length data may leave pixels unset; they stay black.
        unsigned char* data = static_cast<unsigned char*>(runLength ? std::calloc(bytes, 1) : std::malloc(bytes));
        if (!data) {
            failure = outOfMemory;
        } else if (runLength && !expandRunLength(l, [&](int64_t y) { return outputRow(l, data, y); })) {
            failure = conversionError;
        } else {
            if (!runLength) convertUncompressed(l, data);
            image = static_cast<RgbImage*>(std::malloc(sizeof(RgbImage)));
            if (!image) {
                failure = outOfMemory;
            } else {
                image->width = l.width;
                image->height = l.rows;
                image->data = data;
            }
        }
        if (!image) std::free(data);
    }
    if (failure) report(context, failure);
    return image;
}

void reportOpenFailure(const char* fileName, DibFailureSink report, void* context) {
    static const char format[] = "Failed to open DIB file %s.\n";
    const int length = std::snprintf(nullptr, 0, format, fileName);
    char* text = length >= 0 ? static_cast<char*>(std::malloc(size_t(length) + 1)) : nullptr;
    if (!text) {
        report(context, outOfMemory);
        return;
    }
    std::snprintf(text, size_t(length) + 1, format, fileName);
    report(context, text);
    std::free(text);
}

void showFailure(void*, const char* text) { showDibFailure(text); }

// Decodes the mapped file row by row into sink, bottom row first; false after handing report the
// reason.
bool decodeMappedRows(const unsigned char* file, size_t size, DibRowSink sink, void* sinkContext,
                      DibFailureSink report, void* context) {
    Layout l;
    const char* failure = readLayout(file, size, l);
    if (failure) {
        report(context, failure);
        return false;
    }
    const size_t rowBytes = size_t(l.width) * 3;
    const bool runLength = l.compression == biRle8 || l.compression == biRle4;
    if (runLength && !l.topDown) {
        // Runs only move on, so each row is handed over once the data has left it.
        unsigned char* row = static_cast<unsigned char*>(std::calloc(rowBytes, 1));
        if (!row) {
            report(context, outOfMemory);
            return false;
        }
        int32_t held = 0;
        auto handOverTo = [&](int64_t y) {
            for (; held < y; ++held) {
                sink(sinkContext, l.width, l.rows, held, row);
                std::memset(row, 0, rowBytes);
            }
            return row;
        };
        const bool expanded = expandRunLength(l, handOverTo);
        if (expanded) handOverTo(l.rows);
        else report(context, conversionError);
        std::free(row);
        return expanded;
    }
    if (runLength) {
        // Stored from the top, its rows come in the wrong order for the sink: expanded whole first.
        RgbImage* image = decodeMapped(file, size, report, context);
        if (!image) return false;
        for (int32_t r = 0; r < image->height; ++r)
            sink(sinkContext, image->width, image->height, r, image->data + r * rowBytes);
        std::free(image->data);
        std::free(image);
        return true;
    }
    unsigned char* row = static_cast<unsigned char*>(std::malloc(rowBytes));
    if (!row) {
        report(context, outOfMemory);
        return false;
    }
    const int64_t stride = storedRowBytes(l);
    for (int32_t r = 0; r < l.rows; ++r) {
        convertRow(l, l.pixels + (l.topDown ? l.rows - 1 - r : r) * stride, row);
        sink(sinkContext, l.width, l.rows, r, row);
    }
    std::free(row);
    return true;
}

// Maps fileName and hands its bytes to decode; reports a file that cannot be opened, after
// releasing it, and returns failed.
template <typename Result, typename Decode>
Result decodeNamedFile(const char* fileName, DibFailureSink report, void* context, Result failed, Decode decode) {
    if (!fileName) {
        reportOpenFailure("", report, context);
        return failed;
    }
    {
        MappedFile file;
        if (file.open(fileName)) return decode(file.bytes(), file.length());
    }
    reportOpenFailure(fileName, report, context);
    return failed;
}

}  // namespace

uint16_t dibColorCount(const unsigned char* infoHeader) {
    uint16_t bitCount;
    if (read32(infoHeader) == coreHeaderSize) {
        bitCount = read16(infoHeader + 10);
    } else {
        const uint32_t used = read32(infoHeader + 32);
        if (used != 0) return uint16_t(used & 0xFFFF);
        bitCount = read16(infoHeader + 14);
    }
    switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

RgbImage* decodeDibFile(const char* fileName, DibFailureSink report, void* context) {
    return decodeNamedFile(fileName, report, context, static_cast<RgbImage*>(nullptr),
                           [&](const unsigned char* bytes, size_t size) { return decodeMapped(bytes, size, report, context); });
}

bool decodeDibFileRows(const char* fileName, DibRowSink sink, void* sinkContext, DibFailureSink report,
                       void* context) {
    return decodeNamedFile(fileName, report, context, false, [&](const unsigned char* bytes, size_t size) {
        return decodeMappedRows(bytes, size, sink, sinkContext, report, context);
    });
}

void showDibFailure(const char* text) { showMessageBox(text, errorCaption, mbOk); }

RgbImage* loadDibImage(const char* fileName) { return decodeDibFile(fileName, showFailure, nullptr); }
