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

// Receives the text of why a file could not be decoded, the one message box a failure shows.
typedef void (*DibFailureSink)(void* context, const char* text);
// Decodes one BMP file; returns a new picture, or null after handing report (once) the reason.
// Called by loadDibImage, and where the box must wait for another thread (the texture set).
RgbImage* decodeDibFile(const char* fileName, DibFailureSink report, void* context);
// Receives a decoded picture's rows one at a time, bottom row first: row `row` of a width x height
// picture, width * 3 bytes of red, green, blue.
typedef void (*DibRowSink)(void* context, int32_t width, int32_t height, int32_t row, const unsigned char* rgb);
// Decodes one BMP file row by row into sink, holding one row instead of the picture (a top-down
// run-length file is expanded whole); false after handing report (once) the reason. Called by the texture set,
// which keeps only the levels a screen shows.
bool decodeDibFileRows(const char* fileName, DibRowSink sink, void* sinkContext, DibFailureSink report,
                       void* context);
// Shows a reason decodeDibFile gave in the decoder's message box (caption "Error", an OK button).
void showDibFailure(const char* text);
// Decodes one BMP file; returns a new picture, or null after showing the reason in a message box
// with the caption "Error". Called by loadImageFile.
RgbImage* loadDibImage(const char* fileName);
