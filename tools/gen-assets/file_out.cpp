// Little-endian byte output and whole-file writes.
#include "file_out.h"

#include <cstdio>

void putLe16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void putLe32(Bytes& b, uint32_t v) {
    putLe16(b, v & 0xFFFF);
    putLe16(b, v >> 16);
}

bool writeFile(const std::string& path, const Bytes& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::perror(path.c_str());
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !written) {
        std::perror(path.c_str());
        return false;
    }
    return true;
}
