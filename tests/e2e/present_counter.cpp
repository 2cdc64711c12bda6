// Counts the presents of a program it is preloaded into (LD_PRELOAD), for the e2e pacing case and
// the play-cost benchmark: it wraps SDL_GL_SwapWindow and keeps the count in a shared file mapping
// named by BRINVALE_PRESENT_COUNTER, which a watcher reads at any moment. With BRINVALE_VIRTUAL_PAD
// set it also plugs an SDL virtual pad in once the program starts its game controllers, so that the
// benchmark measures the game with a pad connected. The game itself is unchanged.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <SDL2/SDL.h>

#include <cstdint>
#include <cstdlib>

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

// A pad with every standard button and axis, at rest; SDL announces it as plugged in. The functions
// are looked up in the program's own SDL, which this library does not link.
void plugVirtualPad() {
    using Attach = int (*)(const SDL_VirtualJoystickDesc*);
    const Attach attach = reinterpret_cast<Attach>(dlsym(RTLD_DEFAULT, "SDL_JoystickAttachVirtualEx"));
    if (!attach) return;
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "benchmark pad";
    attach(&desc);
}

}  // namespace

extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
    using Swap = void (*)(SDL_Window*);
    static const Swap real = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
    static uint64_t* const count = openCounter();
    if (real) real(window);
    if (count) __atomic_add_fetch(count, 1, __ATOMIC_RELAXED);
}

extern "C" int SDL_InitSubSystem(Uint32 flags) {
    using Init = int (*)(Uint32);
    static const Init real = reinterpret_cast<Init>(dlsym(RTLD_NEXT, "SDL_InitSubSystem"));
    static bool plugged = false;
    const int result = real ? real(flags) : -1;
    if (result == 0 && (flags & SDL_INIT_GAMECONTROLLER) && !plugged && std::getenv("BRINVALE_VIRTUAL_PAD")) {
        plugged = true;
        plugVirtualPad();
    }
    return result;
}
