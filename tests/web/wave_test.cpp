// The browser backend's wave reader in wasm32, where size_t has 32 bits: a chunk size near 2^32 must
// end the reading, not wrap back to an earlier chunk and loop for ever. Run by `make web-test` under node.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/wave_length.h"

namespace {

void put32(std::vector<unsigned char>* f, uint32_t v) {
    for (int i = 0; i < 4; ++i) f->push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void chunk(std::vector<unsigned char>* f, const char* id, uint32_t size, size_t bodyBytes) {
    f->insert(f->end(), id, id + 4);
    put32(f, size);
    f->insert(f->end(), bodyBytes, 0);
}

// RIFF WAVE with a format chunk of byteRate, then the given chunks.
std::vector<unsigned char> wave(uint32_t byteRate) {
    std::vector<unsigned char> f = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    chunk(&f, "fmt ", 16, 16);
    const size_t rate = f.size() - 16 + 8;
    for (int i = 0; i < 4; ++i) f[rate + i] = static_cast<unsigned char>(byteRate >> (8 * i));
    return f;
}

}  // namespace

int main() {
    struct Case {
        const char* name;
        std::vector<unsigned char> file;
        bool readable;
        uint32_t lengthMs;
    };
    std::vector<Case> cases;

    // An odd chunk is padded to an even size before the data that follows it.
    Case padded{"an odd chunk's pad byte before 500 ms of data", wave(8000), true, 500};
    chunk(&padded.file, "LIST", 3, 4);
    chunk(&padded.file, "data", 4000, 4000);
    cases.push_back(padded);

    // Its size plus the header takes a 32-bit offset back to the format chunk: the reading went
    // round the two chunks for ever and hung the tab.
    Case wrapping{"a chunk size that wraps back to the format chunk", wave(8000), false, 0};
    chunk(&wrapping.file, "junk", 0xFFFFFFE0u, 0);
    chunk(&wrapping.file, "data", 4000, 4000);
    cases.push_back(wrapping);

    int failed = 0;
    for (const Case& c : cases) {
        uint32_t lengthMs = 0;
        const bool readable = waveLength(c.file, &lengthMs);
        const bool ok = readable == c.readable && (!readable || lengthMs == c.lengthMs);
        if (!ok) ++failed;
        std::printf("%s %s: %s, %u ms\n", ok ? "ok  " : "FAIL", c.name, readable ? "readable" : "not a wave", lengthMs);
    }
    std::printf("wave reader: %d failed\n", failed);
    return failed ? 1 : 0;
}
