// brinvale-decode FILE.bmp OUT.ppm: the game's BMP decoder on the command line, for checks by eye.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "assets/dib.h"
#include "platform/platform.h"

namespace {

// The decoder's message boxes become plain messages on standard error.
int printMessage(const char* text, const char*, unsigned) {
    const size_t length = std::strlen(text);
    std::fputs(text, stderr);
    if (length == 0 || text[length - 1] != '\n') std::fputc('\n', stderr);
    return idOk;
}

// Writes image as P6 with the top row first; false on a write failure.
bool writePpm(const RgbImage& image, const char* path) {
    std::FILE* out = std::fopen(path, "wb");
    if (!out) return false;
    bool ok = std::fprintf(out, "P6\n%d %d\n255\n", image.width, image.height) > 0;
    const size_t rowBytes = size_t(image.width) * 3;
    for (int32_t row = image.height - 1; ok && row >= 0; --row)
        ok = std::fwrite(image.data + size_t(row) * rowBytes, 1, rowBytes, out) == rowBytes;
    return std::fclose(out) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FILE.bmp OUT.ppm\n", argv[0]);
        return 1;
    }
    PlatformBackend quiet = *currentPlatform();
    quiet.showMessageBox = printMessage;
    installPlatform(&quiet);
    RgbImage* image = loadDibImage(argv[1]);
    if (!image) return 1;
    const bool written = writePpm(*image, argv[2]);
    std::free(image->data);
    std::free(image);
    if (!written) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
