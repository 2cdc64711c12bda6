// Counts the presents of a program it is preloaded into (LD_PRELOAD), for the e2e pacing case and
// the play-cost benchmark: it wraps SDL_GL_SwapWindow and keeps the count in a shared file mapping
// named by BRINVALE_PRESENT_COUNTER, which a watcher reads at any moment. The game itself is unchanged.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

struct SDL_Window;

namespace {

// The 8-byte count, or null when no file is named or it cannot be mapped.
uint64_t* openCounter() {
    const char* path = std::getenv("BRINVALE_PRESENT_COUNTER");
    if (!path) return nullptr;
    const int fd = open(path, O_RDWR | O_CREAT, 0644);
    if (fd < 0) return nullptr;
    void* mapped = ftruncate(fd, sizeof(uint64_t)) == 0
                       ? mmap(nullptr, sizeof(uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0)
                       : MAP_FAILED;
    close(fd);
    return mapped == MAP_FAILED ? nullptr : static_cast<uint64_t*>(mapped);
}

}  // namespace

extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
    using Swap = void (*)(SDL_Window*);
    static const Swap real = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
    static uint64_t* const count = openCounter();
    if (real) real(window);
    if (count) __atomic_add_fetch(count, 1, __ATOMIC_RELAXED);
}
