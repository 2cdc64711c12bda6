// BMP writer of the asset generator: headers, palettes by median cut, and run-length coding.
#include "bmp_writer.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <vector>

#include "file_out.h"

namespace {


uint32_t packed(const Picture& p, size_t i) {
    return uint32_t(p.rgb[3 * i]) << 16 | uint32_t(p.rgb[3 * i + 1]) << 8 | p.rgb[3 * i + 2];
}

// A picture reduced to a palette: one index per pixel.
struct Indexed {
    std::vector<uint32_t> palette;  // 0xRRGGBB
    std::vector<uint8_t> indices;
};

struct ColourBox {
    std::vector<std::pair<uint32_t, uint32_t>> colours;  // colour, pixel count

    static int channel(uint32_t c, int ch) { return int(c >> (16 - 8 * ch)) & 0xFF; }
    // Per channel: the pixel-weighted sum of squared distances from the box's mean.
    void spread(double out[3]) const {
        double sum[3] = {0, 0, 0}, squares[3] = {0, 0, 0}, n = 0;
        for (const auto& c : colours) {
            for (int ch = 0; ch < 3; ++ch) {
                const double v = channel(c.first, ch);
                sum[ch] += v * c.second;
                squares[ch] += v * v * c.second;
            }
            n += c.second;
        }
        for (int ch = 0; ch < 3; ++ch) out[ch] = squares[ch] - sum[ch] * sum[ch] / n;
    }
    double error() const {
        double s[3];
        spread(s);
        return s[0] + s[1] + s[2];
    }
    int widestChannel() const {
        double s[3];
        spread(s);
        return s[1] > s[0] ? (s[2] > s[1] ? 2 : 1) : (s[2] > s[0] ? 2 : 0);
    }
    uint32_t average() const {
        double sum[3] = {0, 0, 0}, n = 0;
        for (const auto& c : colours) {
            for (int ch = 0; ch < 3; ++ch) sum[ch] += double(channel(c.first, ch)) * c.second;
            n += c.second;
        }
        uint32_t out = 0;
        for (int ch = 0; ch < 3; ++ch) out = out << 8 | uint32_t(sum[ch] / n + 0.5);
        return out;
    }
};

// Reduces the picture to at most maxColours colours: exactly when it has no more, otherwise by
// splitting the box of colours with the largest error at its median, again and again.
Indexed reduceColours(const Picture& p, size_t maxColours) {
    const size_t count = size_t(p.width) * size_t(p.height);
    std::map<uint32_t, uint32_t> histogram;
    for (size_t i = 0; i < count; ++i) ++histogram[packed(p, i)];
    std::map<uint32_t, uint8_t> indexOf;
    Indexed out;
    if (histogram.size() <= maxColours) {
        for (const auto& h : histogram) {
            indexOf[h.first] = uint8_t(out.palette.size());
            out.palette.push_back(h.first);
        }
    } else {
        // Colours that cover a large area (a flat backdrop, black corners) keep their exact value.
        std::vector<ColourBox> boxes(1);
        size_t exact = 0;
        for (const auto& h : histogram) {
            if (h.second * 16 >= count && exact + 1 < maxColours / 2) {
                boxes.push_back(ColourBox{{h}});
                ++exact;
            } else {
                boxes[0].colours.push_back(h);
            }
        }
        while (boxes.size() < maxColours) {
            size_t pick = boxes.size();
            double largest = 0;
            for (size_t i = 0; i < boxes.size(); ++i) {
                const double e = boxes[i].colours.size() > 1 ? boxes[i].error() : 0;
                if (e > largest) {
                    largest = e;
                    pick = i;
                }
            }
            if (pick == boxes.size()) break;
            ColourBox& box = boxes[pick];
            const int ch = box.widestChannel();
            std::sort(box.colours.begin(), box.colours.end(), [&](const auto& a, const auto& b) {
                return ColourBox::channel(a.first, ch) < ColourBox::channel(b.first, ch);
            });
            uint64_t total = 0, half = 0;
            for (const auto& c : box.colours) total += c.second;
            size_t split = 0;
            // Both halves keep at least one colour.
            while (split + 2 < box.colours.size() && (half += box.colours[split].second) * 2 < total) ++split;
            ColourBox upper;
            upper.colours.assign(box.colours.begin() + long(split) + 1, box.colours.end());
            box.colours.resize(split + 1);
            boxes.push_back(upper);
        }
        for (const ColourBox& box : boxes) {
            for (const auto& c : box.colours) indexOf[c.first] = uint8_t(out.palette.size());
            out.palette.push_back(box.average());
        }
    }
    out.indices.resize(count);
    for (size_t i = 0; i < count; ++i) out.indices[i] = indexOf[packed(p, i)];
    return out;
}

size_t rowStride(int width, int bits) { return (size_t(width) * size_t(bits) + 31) / 32 * 4; }

// Runs of one index become encoded runs; stretches of differing indices become literal runs.
// `nibbles`: the 4-bit scheme, where a literal packs two indices a byte.
void encodeRunLengthRow(Bytes& out, const uint8_t* row, int width, bool nibbles) {
    int x = 0;
    while (x < width) {
        int run = 1;
        while (x + run < width && run < 255 && row[x + run] == row[x]) ++run;
        if (run >= 3 || width - x < 3) {
            out.push_back(uint8_t(run));
            out.push_back(nibbles ? uint8_t(row[x] << 4 | row[x]) : row[x]);
            x += run;
            continue;
        }
        // A literal stretch ends where a run of three begins.
        int n = 0;
        while (x + n < width && n < 255 &&
               !(x + n + 2 < width && row[x + n] == row[x + n + 1] && row[x + n] == row[x + n + 2]))
            ++n;
        if (n < 3) {  // too short for a literal: runs of one
            for (int i = 0; i < n; ++i, ++x) {
                out.push_back(1);
                out.push_back(nibbles ? uint8_t(row[x] << 4 | row[x]) : row[x]);
            }
            continue;
        }
        out.push_back(0);
        out.push_back(uint8_t(n));
        size_t bytes = 0;
        for (int i = 0; i < n; ++i) {
            if (!nibbles) {
                out.push_back(row[x + i]);
                ++bytes;
            } else if (i % 2 == 0) {
                out.push_back(uint8_t(row[x + i] << 4));
                ++bytes;
            } else {
                out.back() |= row[x + i];
            }
        }
        if (bytes & 1) out.push_back(0);
        x += n;
    }
}

Bytes pixelData(const Picture& p, const Indexed& ix, BmpEncoding e) {
    Bytes out;
    const int w = p.width, h = p.height;
    switch (e) {
    case BmpEncoding::rgb24:
    case BmpEncoding::rgb24TopDown:
    case BmpEncoding::rgb24Core:
    case BmpEncoding::rgb32: {
        const bool wide = e == BmpEncoding::rgb32;
        for (int r = 0; r < h; ++r) {
            const int y = e == BmpEncoding::rgb24TopDown ? h - 1 - r : r;
            const size_t start = out.size();
            for (int x = 0; x < w; ++x) {
                const uint8_t* px = &p.rgb[(size_t(y) * size_t(w) + size_t(x)) * 3];
                out.insert(out.end(), {px[2], px[1], px[0]});
                if (wide) out.push_back(0);
            }
            out.resize(start + rowStride(w, wide ? 32 : 24), 0);
        }
        break;
    }
    case BmpEncoding::bitfields565: {
        // A 4 x 4 ordered dither keeps the smooth gradients free of bands.
        static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
        for (int y = 0; y < h; ++y) {
            const size_t start = out.size();
            for (int x = 0; x < w; ++x) {
                const uint8_t* px = &p.rgb[(size_t(y) * size_t(w) + size_t(x)) * 3];
                const float d = (bayer[y & 3][x & 3] + 0.5f) / 16;
                auto q = [&](uint8_t v, int bits) {
                    const int levels = (1 << bits) - 1;
                    return std::min(levels, int(v / 255.0f * levels + d));
                };
                putLe16(out, uint32_t(q(px[0], 5) << 11 | q(px[1], 6) << 5 | q(px[2], 5)));
            }
            out.resize(start + rowStride(w, 16), 0);
        }
        break;
    }
    case BmpEncoding::indexed8:
    case BmpEncoding::indexed8Core:
    case BmpEncoding::indexed4: {
        const bool nibbles = e == BmpEncoding::indexed4;
        for (int y = 0; y < h; ++y) {
            const size_t start = out.size();
            const uint8_t* row = &ix.indices[size_t(y) * size_t(w)];
            for (int x = 0; x < w; ++x) {
                if (!nibbles) out.push_back(row[x]);
                else if (x % 2 == 0) out.push_back(uint8_t(row[x] << 4));
                else out.back() |= row[x];
            }
            out.resize(start + rowStride(w, nibbles ? 4 : 8), 0);
        }
        break;
    }
    case BmpEncoding::rle8:
    case BmpEncoding::rle4:
        for (int y = 0; y < h; ++y) {
            encodeRunLengthRow(out, &ix.indices[size_t(y) * size_t(w)], w, e == BmpEncoding::rle4);
            out.push_back(0);
            out.push_back(y + 1 < h ? 0 : 1);  // end of line; end of picture after the last
        }
        break;
    }
    return out;
}

}  // namespace

bool writeBmp(const std::string& path, const Picture& picture, BmpEncoding e, size_t colours) {
    const bool core = e == BmpEncoding::rgb24Core || e == BmpEncoding::indexed8Core;
    const bool four = e == BmpEncoding::indexed4 || e == BmpEncoding::rle4;
    const bool eight = e == BmpEncoding::indexed8 || e == BmpEncoding::indexed8Core || e == BmpEncoding::rle8;
    Indexed ix;
    if (four || eight) ix = reduceColours(picture, std::min(colours, size_t(four ? 16 : 256)));
    int bits = 24;
    uint32_t compression = 0;
    switch (e) {
    case BmpEncoding::rgb32: bits = 32; break;
    case BmpEncoding::bitfields565: bits = 16, compression = 3; break;
    case BmpEncoding::rle8: bits = 8, compression = 1; break;
    case BmpEncoding::rle4: bits = 4, compression = 2; break;
    default: bits = four ? 4 : eight ? 8 : 24; break;
    }
    const Bytes pixels = pixelData(picture, ix, e);

    Bytes header;
    // A core header has no colours-used field, so its table is always full.
    const size_t tableEntries = core && eight ? 256 : ix.palette.size();
    if (core) {
        putLe32(header, 12);
        putLe16(header, uint32_t(picture.width));
        putLe16(header, uint32_t(picture.height));
        putLe16(header, 1);
        putLe16(header, uint32_t(bits));
        for (size_t i = 0; i < tableEntries; ++i) {
            const uint32_t c = i < ix.palette.size() ? ix.palette[i] : 0;
            header.insert(header.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
        }
    } else {
        putLe32(header, 40);
        putLe32(header, uint32_t(picture.width));
        putLe32(header, uint32_t(e == BmpEncoding::rgb24TopDown ? -picture.height : picture.height));
        putLe16(header, 1);
        putLe16(header, uint32_t(bits));
        putLe32(header, compression);
        putLe32(header, e == BmpEncoding::rgb24 ? 0 : uint32_t(pixels.size()));  // 0: the size follows from the rows
        putLe32(header, 2835);  // 72 dots per inch
        putLe32(header, 2835);
        putLe32(header, uint32_t(ix.palette.size()));
        putLe32(header, 0);
        if (compression == 3) {
            putLe32(header, 0xF800);
            putLe32(header, 0x07E0);
            putLe32(header, 0x001F);
        }
        for (uint32_t c : ix.palette) putLe32(header, c);
    }

    Bytes file;
    file.push_back('B');
    file.push_back('M');
    putLe32(file, uint32_t(14 + header.size() + pixels.size()));
    putLe32(file, 0);
    putLe32(file, uint32_t(14 + header.size()));
    file.insert(file.end(), header.begin(), header.end());
    file.insert(file.end(), pixels.begin(), pixels.end());

    return writeFile(path, file);
}
