// TEMPORARY placeholder until the decoder lands: refuses every file.
#include "assets/dib.h"

#include "platform/platform.h"

uint16_t dibColorCount(const unsigned char*) { return 0; }

RgbImage* loadDibImage(const char*) {
    showMessageBox("Unknown DIB file format.", "Error", mbOk);
    return nullptr;
}
