// libFuzzer target for loadDibImage: any bytes, read through the decoder's own file mapping.
// Beyond the sanitizers it checks that a call either returns a whole picture with no message box,
// or returns null after exactly one.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "assets/dib.h"
#include "platform/platform.h"

namespace {

int boxCount = 0;
int countBox(const char*, const char*, unsigned) {
    ++boxCount;
    return idOk;
}

PlatformBackend quietBackend;
int memoryFile = -1;
std::string memoryFileName;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quietBackend = *currentPlatform();
    quietBackend.showMessageBox = countBox;
    installPlatform(&quietBackend);
    // An in-memory file, opened by name through /proc like any other file.
    memoryFile = memfd_create("brinvale-fuzz", 0);
    if (memoryFile < 0) {
        std::perror("memfd_create");
        std::abort();
    }
    memoryFileName = "/proc/self/fd/" + std::to_string(memoryFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (ftruncate(memoryFile, 0) != 0 || pwrite(memoryFile, data, size, 0) != ssize_t(size)) std::abort();
    boxCount = 0;
    RgbImage* image = loadDibImage(memoryFileName.c_str());
    if (!image) {
        if (boxCount != 1) std::abort();
        return 0;
    }
    if (boxCount != 0 || image->width <= 0 || image->height <= 0 || !image->data) std::abort();
    // Touch every byte of the block so that a short allocation is caught.
    const size_t bytes = size_t(image->width) * size_t(image->height) * 3;
    volatile unsigned sum = 0;
    for (size_t i = 0; i < bytes; i += 1 + i / 4096) sum = sum + image->data[i];
    sum = sum + image->data[bytes - 1];
    std::free(image->data);
    std::free(image);
    return 0;
}
