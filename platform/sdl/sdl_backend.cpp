// The services half of the SDL backend: message queue, timers on the main thread, sound, clock.
#include "platform/sdl/sdl_backend.h"

#include <dlfcn.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <deque>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/held_keys.h"
#include "platform/pacing.h"
#include "platform/queue.h"
#include "platform/sdl/sdl_internal.h"
#include "platform/toggle_keys.h"

namespace {

// ---- queue and timers ----

struct Events {
    bool started = false;
    bool minimised = false;

    ~Events() {
        if (started) SDL_QuitSubSystem(SDL_INIT_EVENTS);
    }
};

Events events;

// The keys the keyboard holds for the game.
KeySource keyboard;

void startEvents() {
    if (events.started) return;
    events.started = SDL_InitSubSystem(SDL_INIT_EVENTS) == 0;
    sdlStartPads();
}

// The code each keypad digit key went down with (index: its digit), 0 while it is up.
uintptr_t keypadHeld[10];

// The keypad's digit keys: with NumLock off 8, 2, 4 and 6 are the arrows. A key keeps the code it
// went down with until it is released, so toggling NumLock while it is held leaves nothing stuck.
uintptr_t keypadKey(SDL_Keycode key, uint16_t mod, bool down) {
    const int digit = key == SDLK_KP_0 ? 0 : static_cast<int>(key - SDLK_KP_1) + 1;
    uintptr_t code = 96 + static_cast<uintptr_t>(digit);
    if (!(mod & KMOD_NUM)) {
        if (digit == 8) code = vkUp;
        if (digit == 2) code = vkDown;
        if (digit == 4) code = vkLeft;
        if (digit == 6) code = vkRight;
    }
    if (keypadHeld[digit]) code = keypadHeld[digit];
    keypadHeld[digit] = down ? code : 0;
    return code;
}

// The virtual-key code of an SDL key; 0 for keys the game's message model has no code for.
uintptr_t virtualKey(SDL_Keycode key, uint16_t mod, bool down) {
    if ((key >= SDLK_KP_1 && key <= SDLK_KP_9) || key == SDLK_KP_0) return keypadKey(key, mod, down);
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return 112 + (key - SDLK_F1);
    switch (key) {
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return 13;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return 16;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return 17;
    case SDLK_LALT:
    case SDLK_RALT: return vkAlt;
    case SDLK_PAUSE: return 19;
    case SDLK_CAPSLOCK: return 20;
    case SDLK_ESCAPE: return 27;
    case SDLK_SPACE: return 32;
    case SDLK_PAGEUP: return 33;
    case SDLK_PAGEDOWN: return 34;
    case SDLK_END: return 35;
    case SDLK_HOME: return 36;
    case SDLK_LEFT: return 37;
    case SDLK_UP: return 38;
    case SDLK_RIGHT: return 39;
    case SDLK_DOWN: return 40;
    case SDLK_INSERT: return 45;
    case SDLK_DELETE: return 46;
    default: return 0;
    }
}

void postActivation(bool active) {
    queuePost(msgActivate, activationParam(active, events.minimised), 0);
}

ToggleKeys toggleKeys;

// Alt+Enter and F11 switch between full screen and the window, and nothing of them reaches the
// game. True when the event was the toggle's.
bool toggleKey(const SDL_KeyboardEvent& key) {
    const SDL_Keycode sym = key.keysym.sym;
    const ToggleKey which = sym == SDLK_F11        ? toggleF11
                            : sym == SDLK_RETURN   ? toggleReturn
                            : sym == SDLK_KP_ENTER ? toggleKeypadEnter
                                                   : toggleOtherKey;
    const ToggleAction action = toggleKeyEvent(&toggleKeys, which, key.type == SDL_KEYDOWN,
                                               (key.keysym.mod & KMOD_ALT) != 0, key.repeat != 0);
    if (action == toggleSwitch) sdlToggleFullscreen();
    return action != toggleNotMine;
}

void translate(const SDL_Event& e) {
    if (sdlPadEvent(e, queuePost)) return;
    switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        if (toggleKey(e.key)) return;
        const bool down = e.type == SDL_KEYDOWN;
        const uintptr_t code = virtualKey(e.key.keysym.sym, e.key.keysym.mod, down);
        if (!code) return;
        keyboardEvent(&keyboard, code, down, (e.key.keysym.mod & KMOD_ALT) != 0, queuePost);
        return;
    }
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_MINIMIZED:
            events.minimised = true;
            postActivation(false);
            return;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
            events.minimised = false;
            postActivation(true);
            return;
        case SDL_WINDOWEVENT_FOCUS_GAINED: postActivation(true); return;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            // Keys let go elsewhere send no key-up here.
            sourceReleaseAll(&keyboard, queuePost);
            toggleKeysReset(&toggleKeys);
            postActivation(false);
            return;
        case SDL_WINDOWEVENT_SIZE_CHANGED: sdlPostDrawableSize(e.window.data1, e.window.data2); return;
        // Uncovered or shown again: the game draws only when its picture changes, so it is told.
        case SDL_WINDOWEVENT_EXPOSED: queuePost(msgPaint, 0, 0); return;
        case SDL_WINDOWEVENT_CLOSE: queuePost(msgClose, 0, 0); return;
        default: return;
        }
    case SDL_QUIT:  // also what SIGINT and SIGTERM raise
        queuePost(msgClose, 0, 0);
        return;
    default: return;
    }
}

// Everything pending, the pads' fresh events and the window's included. The pump is called here
// rather than through SDL_PollEvent, which skips it while an end-of-poll marker an earlier wait left
// is queued; the marker stays, above every event the game takes.
void translatePending() {
    sdlUpdatePads();
    SDL_PumpEvents();
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_POLLSENTINEL - 1) > 0) translate(event);
    sdlRepeatPadKeys(queuePost);
}

// Sleeps until input gives a message or dueMs, the next timer's tick, whichever comes first. The
// sleep is bounded, so that a caller polling for a message that never comes (no timer running) still
// gets its turn. SDL's wait does not read the pads, so with a pad open it wakes to read them every slice:
// pad input reaches the idle game within 20 ms, so the slice is as long as that allows (some 55
// wakes a second).
void sdlWait(uint64_t dueMs) {
    constexpr uint64_t longestWaitMs = 100;
    constexpr uint64_t padSliceMs = 18;
    // With a pad, a whole number of slices: a short last one would be a wake for nothing.
    const uint64_t longest = sdlPadsOpen() ? 6 * padSliceMs : longestWaitMs;
    const uint64_t due = std::min(dueMs, SDL_GetTicks64() + longest);
    // Between reads of the pads the window's socket is watched here, since SDL's pump costs as much
    // as the wake itself: the poll before this wait has pumped (which also turns signals into their
    // quit event), so the pump runs again only when the socket has something.
    for (uint64_t now = SDL_GetTicks64(); now < due && !queueHasMessage(); now = SDL_GetTicks64()) {
        SDL_Event event;
        const bool pads = sdlPadsOpen();
        const int wait = static_cast<int>(pads ? std::min(due - now, padSliceMs) : due - now);
        const int connection = pads ? sdlQuietConnection() : -1;
        if (connection >= 0) {
            pollfd socket{connection, POLLIN, 0};
            if (poll(&socket, 1, wait) != 0) SDL_PumpEvents();
        } else if (SDL_WaitEventTimeout(&event, wait)) {
            translate(event);
        }
        // The window's events are in; only the pads' are left to take, which the update puts
        // straight into SDL's queue.
        sdlUpdatePads();
        while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_POLLSENTINEL - 1) > 0) translate(event);
        sdlRepeatPadKeys(queuePost);
    }
}

// Sleeps until the given moment, taking input into the queue meanwhile: the event wait for all but
// the last millisecond or two, whose precision it does not promise, then a plain sleep.
void readInputUntil(uint64_t moment) {
    constexpr uint64_t nsPerMs = 1000000;
    for (uint64_t now = steadyNowNs(); now < moment; now = steadyNowNs()) {
        const uint64_t left = moment - now;
        SDL_Event event;
        if (left > 2 * nsPerMs) {
            if (SDL_WaitEventTimeout(&event, static_cast<int>((left - nsPerMs) / nsPerMs))) translate(event);
        } else if (SDL_PollEvent(&event)) {
            translate(event);
        } else {
            std::this_thread::sleep_for(std::chrono::nanoseconds(left));
        }
    }
}

uint64_t sdlNowMs() { return SDL_GetTicks64(); }

void sdlTakeEvents() {
    startEvents();
    translatePending();
}

void sdlPresent() {
    if (const uint64_t due = presentDue()) readInputUntil(due);
    if (SDL_Window* window = sdlGameWindow()) SDL_GL_SwapWindow(window);
    presented();
    // Mesa's software driver on X sizes its buffers anew only at a swap: a frame drawn after a resize
    // but before that swap went to the old ones, so the game is asked for one more.
    if (sdlTakeSizeChange()) queuePost(msgPaint, 0, 0);
}

// ---- sound ----

struct Sound {
    bool readable;
    uint32_t lengthMs;
    bool converted;  // samples are in the device's format (none without a device)
    std::vector<Uint8> samples;
};

struct Audio {
    bool tried = false;
    bool started = false;
    SDL_AudioDeviceID device = 0;
    SDL_AudioSpec deviceFormat{};
    std::map<std::string, Sound> sounds;

    ~Audio() {
        if (device) SDL_CloseAudioDevice(device);
        if (started) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
};

Audio audio;

void silentAlsaError(const char*, int, const char*, int, const char*, ...) {}

// The ALSA library reports a machine without a sound card in eight lines of its own on standard
// error, which look like a crash; the game says it once in one line instead. SDL loads the same
// library (by the same name), so the handler set here is the one its calls meet.
void quietAlsa() {
    void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
    if (!alsa) return;
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler"))) set(silentAlsaError);
    // Kept loaded for the rest of the run: the handler must stay where ALSA calls it.
}

// Opens the one output device at the first sound; without one every sound is silence, said once.
void openAudio() {
    if (audio.tried) return;
    audio.tried = true;
    quietAlsa();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        audio.started = true;
        SDL_AudioSpec want{};
        want.freq = 44100;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = 1024;
        audio.device = SDL_OpenAudioDevice(nullptr, 0, &want, &audio.deviceFormat, 0);
    }
    if (audio.device) return;
    std::fprintf(stderr, "brinvale: no sound: %s\n", SDL_GetError());
    // The device is tried once, so the subsystem has nothing left to do; its hotplug thread would
    // wake ten times a second for the rest of the run.
    if (audio.started) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    audio.started = false;
}

void convertForDevice(const SDL_AudioSpec& wav, const Uint8* data, Uint32 length, Sound* sound) {
    SDL_AudioCVT cvt;
    int needed = SDL_BuildAudioCVT(&cvt, wav.format, wav.channels, wav.freq, audio.deviceFormat.format,
                                   audio.deviceFormat.channels, audio.deviceFormat.freq);
    if (needed < 0) return;
    std::vector<Uint8> buffer(static_cast<size_t>(length) * static_cast<size_t>(needed ? cvt.len_mult : 1));
    std::copy(data, data + length, buffer.begin());
    if (needed) {
        cvt.buf = buffer.data();
        cvt.len = static_cast<int>(length);
        if (SDL_ConvertAudio(&cvt) != 0) return;
        buffer.resize(static_cast<size_t>(cvt.len_cvt));
    }
    sound->samples = std::move(buffer);
}

// The file's length, known from its first play; its samples only once a play is heard, since a
// game that starts with the sound off opens no device.
Sound& loadSound(const char* file, bool forDevice) {
    auto known = audio.sounds.find(file);
    if (known != audio.sounds.end() && (known->second.converted || !forDevice || !known->second.readable))
        return known->second;
    Sound sound{false, 0, false, {}};
    SDL_AudioSpec wav;
    Uint8* data = nullptr;
    Uint32 length = 0;
    if (SDL_LoadWAV(file, &wav, &data, &length)) {
        uint64_t frameBytes = uint64_t{SDL_AUDIO_BITSIZE(wav.format) / 8u} * wav.channels;
        if (frameBytes && wav.freq > 0) {
            sound.readable = true;
            sound.lengthMs = static_cast<uint32_t>(length / frameBytes * 1000 / static_cast<uint64_t>(wav.freq));
            if (forDevice && audio.device) convertForDevice(wav, data, length, &sound);
            sound.converted = forDevice;
        }
        SDL_FreeWAV(data);
    }
    return audio.sounds[file] = std::move(sound);
}

void sdlPlaySound(const char* file, SoundMode mode, int heard) {
    if (heard) openAudio();
    // The sound off: what plays stops, and nothing new is queued.
    if (!heard && audio.device) SDL_ClearQueuedAudio(audio.device);
    if (!file) return;
    const Sound& sound = loadSound(file, heard != 0);
    if (!sound.readable) return;
    const bool audible = heard && audio.device && !sound.samples.empty();
    if (heard && audio.device) {
        // One sound at a time: a new one cuts the one playing.
        SDL_ClearQueuedAudio(audio.device);
        if (audible) SDL_QueueAudio(audio.device, sound.samples.data(), static_cast<Uint32>(sound.samples.size()));
        SDL_PauseAudioDevice(audio.device, 0);
    }
    if (mode != soundWait) return;
    if (!audible) {
        // Silence still takes the sound's time, so the pace of the game stays the same.
        SDL_Delay(sound.lengthMs);
        return;
    }
    const uint64_t deadline = SDL_GetTicks64() + sound.lengthMs + 1000;
    while (SDL_GetQueuedAudioSize(audio.device) > 0 && SDL_GetTicks64() < deadline) SDL_Delay(1);
    // The device still holds its last buffer.
    const SDL_AudioSpec& f = audio.deviceFormat;
    if (f.freq > 0) SDL_Delay(static_cast<Uint32>(uint64_t{f.samples} * 1000 / f.freq));
}

int sdlLocalClockSeconds() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_sec % 60;
}

const PlatformBackend sdlBackend = {
    "sdl",
    sdlNowMs,
    sdlTakeEvents,
    sdlWait,
    sdlPresent,
    sdlPlaySound,
    sdlShowMessageBox,
    sdlLocalClockSeconds,
    &sdlWindowSteps,
    nullptr,
    nullptr,
};

}  // namespace

const PlatformBackend* sdlPlatform() { return &sdlBackend; }

const PlatformBackend* programPlatform() { return sdlPlatform(); }
