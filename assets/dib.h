// Decoding of BMP files (device-independent bitmaps) into RGB pictures.
#pragma once

#include <cstdint>

// A decoded picture: width x height x 3 bytes of red, green, blue, rows tightly packed, bottom row
// first. The record and its data are malloc'ed; the receiver frees data, then the record.
struct RgbImage {
    int32_t width;
    int32_t height;
    unsigned char* data;
};

// Number of colour-table entries of an info header of either size (12 or 40 bytes).
uint16_t dibColorCount(const unsigned char* infoHeader);

// Decodes one BMP file; returns a new picture, or null after showing the reason in a message box
// with the caption "Error". Called by loadImageFile.
RgbImage* loadDibImage(const char* fileName);
