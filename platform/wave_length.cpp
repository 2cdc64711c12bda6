// The length of a wave file, read from its chunks with sums that cannot wrap in a 32-bit size_t.
#include "platform/wave_length.h"

#include <string>

namespace {

uint32_t little32(const unsigned char* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

}  // namespace

bool waveLength(const std::vector<unsigned char>& file, uint32_t* lengthMs) {
    if (file.size() < 12 || std::string(file.begin(), file.begin() + 4) != "RIFF" ||
        std::string(file.begin() + 8, file.begin() + 12) != "WAVE")
        return false;
    uint32_t byteRate = 0;
    size_t at = 12;
    while (at + 8 <= file.size()) {
        const std::string id(file.begin() + at, file.begin() + at + 4);
        const uint32_t size = little32(&file[at + 4]);
        const size_t body = at + 8;
        if (id == "fmt " && size >= 16 && body + 16 <= file.size()) byteRate = little32(&file[body + 8]);
        if (id == "data") {
            if (!byteRate) return false;
            const uint64_t available = file.size() - body;
            *lengthMs = static_cast<uint32_t>((size < available ? size : available) * uint64_t{1000} / byteRate);
            return true;
        }
        // In 64 bits, so that a chunk size near 2^32 cannot wrap a 32-bit size_t back to the start.
        const uint64_t next = uint64_t{body} + size + (size & 1);
        if (next > file.size()) return false;
        at = static_cast<size_t>(next);
    }
    return false;
}
