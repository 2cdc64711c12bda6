// Counts the presents of a program it is preloaded into (LD_PRELOAD), for the e2e pacing case and
// the play-cost benchmark: it wraps SDL_GL_SwapWindow and keeps the count in a shared file mapping
// named by BRINVALE_PRESENT_COUNTER, which a watcher reads at any moment. With BRINVALE_VIRTUAL_PAD
// set it also plugs an SDL virtual pad in once the program starts its game controllers, so that the
// benchmark measures the game with a pad connected; with BRINVALE_PAD_PRESSES naming a FIFO, each
// byte written there presses the pad's A, and the time until the program takes the press from SDL's
// queue is kept beside the count; so is the moment the program last took a key-down from SDL, which
// the benchmark compares with when it pressed the key. The game itself is unchanged.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <SDL2/SDL.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <thread>

namespace {

// The shared record: presents, then the pad presses the program took, the longest and the total of
// their delays in microseconds, then when it last took a key-down (steady clock, microseconds).
struct Counts {
    uint64_t presents;
    uint64_t padPresses;
    uint64_t longestDelayUs;
    uint64_t totalDelayUs;
    uint64_t keyTakenUs;
    uint64_t keyPresentedUs;  // the first present after the latest key-down taken
};

// The shared record, or null when no file is named or it cannot be mapped.
Counts* openCounts() {
    const char* path = std::getenv("BRINVALE_PRESENT_COUNTER");
    if (!path) return nullptr;
    const int fd = open(path, O_RDWR | O_CREAT, 0644);
    if (fd < 0) return nullptr;
    void* mapped = ftruncate(fd, sizeof(Counts)) == 0
                       ? mmap(nullptr, sizeof(Counts), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0)
                       : MAP_FAILED;
    close(fd);
    return mapped == MAP_FAILED ? nullptr : static_cast<Counts*>(mapped);
}

Counts* counts() {
    static Counts* const shared = openCounts();
    return shared;
}

uint64_t nowUs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

// When the pad's A went down and the program has not taken the press yet; 0 when none waits.
std::atomic<uint64_t> pressedAt{0};

template <typename F>
F sdl(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

// Presses and releases A on the virtual pad for each byte read from the FIFO. SDL's joystick calls
// take its joystick lock, so they may come from this thread.
void pressOnRequest(SDL_Joystick* pad, const char* fifo) {
    using SetButton = int (*)(SDL_Joystick*, int, Uint8);
    const SetButton setButton = reinterpret_cast<SetButton>(dlsym(RTLD_DEFAULT, "SDL_JoystickSetVirtualButton"));
    const int fd = open(fifo, O_RDONLY);
    if (fd < 0 || !setButton) return;
    char byte;
    while (read(fd, &byte, 1) == 1) {
        pressedAt = nowUs();
        setButton(pad, SDL_CONTROLLER_BUTTON_A, 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        setButton(pad, SDL_CONTROLLER_BUTTON_A, 0);
    }
    close(fd);
}

// A pad with every standard button and axis, at rest; SDL announces it as plugged in. The functions
// are looked up in the program's own SDL, which this library does not link.
void plugVirtualPad() {
    using Attach = int (*)(const SDL_VirtualJoystickDesc*);
    using Open = SDL_Joystick* (*)(int);
    const Attach attach = reinterpret_cast<Attach>(dlsym(RTLD_DEFAULT, "SDL_JoystickAttachVirtualEx"));
    const Open openJoystick = reinterpret_cast<Open>(dlsym(RTLD_DEFAULT, "SDL_JoystickOpen"));
    if (!attach || !openJoystick) return;
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "benchmark pad";
    const int device = attach(&desc);
    const char* fifo = std::getenv("BRINVALE_PAD_PRESSES");
    if (device < 0 || !fifo) return;
    if (SDL_Joystick* pad = openJoystick(device)) std::thread(pressOnRequest, pad, fifo).detach();
}

// Notes the delay of a pad press, and the moment of a key-down, among events the program takes from
// SDL's queue.
void taken(const SDL_Event* events, int count) {
    for (int i = 0; i < count; ++i) {
        if (events[i].type == SDL_KEYDOWN) {
            if (Counts* shared = counts()) __atomic_store_n(&shared->keyTakenUs, nowUs(), __ATOMIC_RELAXED);
            continue;
        }
        if (events[i].type != SDL_CONTROLLERBUTTONDOWN) continue;
        const uint64_t at = pressedAt.exchange(0);
        Counts* shared = counts();
        if (!at || !shared) continue;
        const uint64_t delay = nowUs() - at;
        __atomic_add_fetch(&shared->padPresses, 1, __ATOMIC_RELAXED);
        __atomic_add_fetch(&shared->totalDelayUs, delay, __ATOMIC_RELAXED);
        if (delay > shared->longestDelayUs) shared->longestDelayUs = delay;
    }
}

}  // namespace

extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
    static const auto real = sdl<void (*)(SDL_Window*)>("SDL_GL_SwapWindow");
    if (real) real(window);
    if (Counts* shared = counts()) {
        __atomic_add_fetch(&shared->presents, 1, __ATOMIC_RELAXED);
        if (__atomic_load_n(&shared->keyTakenUs, __ATOMIC_RELAXED) > shared->keyPresentedUs)
            __atomic_store_n(&shared->keyPresentedUs, nowUs(), __ATOMIC_RELAXED);
    }
}

extern "C" int SDL_InitSubSystem(Uint32 flags) {
    static const auto real = sdl<int (*)(Uint32)>("SDL_InitSubSystem");
    static bool plugged = false;
    const int result = real ? real(flags) : -1;
    if (result == 0 && (flags & SDL_INIT_GAMECONTROLLER) && !plugged && std::getenv("BRINVALE_VIRTUAL_PAD")) {
        plugged = true;
        plugVirtualPad();
    }
    return result;
}

// The ways a program takes events, watched for the pad's presses.
extern "C" int SDL_PollEvent(SDL_Event* event) {
    static const auto real = sdl<int (*)(SDL_Event*)>("SDL_PollEvent");
    const int got = real(event);
    if (got && event) taken(event, 1);
    return got;
}

extern "C" int SDL_WaitEventTimeout(SDL_Event* event, int timeout) {
    static const auto real = sdl<int (*)(SDL_Event*, int)>("SDL_WaitEventTimeout");
    const int got = real(event, timeout);
    if (got && event) taken(event, 1);
    return got;
}

extern "C" int SDL_PeepEvents(SDL_Event* events, int count, SDL_eventaction action, Uint32 minType, Uint32 maxType) {
    static const auto real = sdl<int (*)(SDL_Event*, int, SDL_eventaction, Uint32, Uint32)>("SDL_PeepEvents");
    const int got = real(events, count, action, minType, maxType);
    if (got > 0 && events && action == SDL_GETEVENT) taken(events, got);
    return got;
}
