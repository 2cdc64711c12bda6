// BMP encodings the asset generator writes, one per variant the game's decoder reads.
#pragma once

#include <string>

#include "canvas.h"

enum class BmpEncoding {
    rgb24,         // info header, bottom-up, image size left 0
    rgb24TopDown,  // info header, negative height
    rgb24Core,     // 12-byte core header
    rgb32,         // info header, 4 bytes a pixel
    bitfields565,  // 16 bits through three masks, ordered dither
    indexed8,      // palette of up to 256 colours, uncompressed
    indexed8Core,  // 12-byte core header with a full 256-entry table of triples
    rle8,          // 8-bit run-length encoding
    indexed4,      // palette of up to 16 colours, uncompressed
    rle4,          // 4-bit run-length encoding
};

// Writes picture to path in the given encoding; palettised encodings reduce the picture to
// their number of colours first, or to `colours` when that is fewer (fewer compress better).
// False (with the reason on standard error) when it fails.
bool writeBmp(const std::string& path, const Picture& picture, BmpEncoding encoding, size_t colours = 256);
