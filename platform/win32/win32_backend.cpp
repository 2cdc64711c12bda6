// The services half of the Win32 backend: USER's messages into the seam's queue, the idle wait,
// presenting, sound, clock, and the parent console for a program built without one of its own.
#include "platform/win32/win32_backend.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/pacing.h"
#include "platform/queue.h"
#include "platform/wave_length.h"
#include "platform/win32/win32_internal.h"

#include <mmsystem.h>  // after windows.h, which it needs

namespace {

// ---- the console that started the program ----

bool hasStdHandle(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

// Built as a windowed program, it opens no console; --help and --version still reach the one it was
// started from. Output already redirected (a pipe, a file) keeps its handle. This runs before main()
// reads the command line, which the portable entry does before any backend call.
struct ParentConsole {
    ParentConsole() {
        const bool out = hasStdHandle(STD_OUTPUT_HANDLE), err = hasStdHandle(STD_ERROR_HANDLE);
        if ((out && err) || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
        if (!out && !std::freopen("CONOUT$", "w", stdout)) return;
        if (!err) std::freopen("CONOUT$", "w", stderr);
    }
};

ParentConsole parentConsole;

// ---- events ----

// A millisecond clock for the timed waits: the system's default tick is 15.6 ms.
struct TimerPeriod {
    bool started = false;

    ~TimerPeriod() {
        if (started) timeEndPeriod(1);
    }
};

TimerPeriod period;

void start() {
    if (period.started) return;
    period.started = true;
    timeBeginPeriod(1);
}

// Dispatches everything USER holds: the window procedure puts the game's messages in the queue.
void dispatchAll() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Dragging the window's edge or title bar runs the system's modal loop inside DispatchMessage until
// the mouse is let go. Dispatch runs on a fiber of its own, so that the modal loop can hand the
// thread back to the game (win32ResumeGame) and the game's next poll hands it back to the modal
// loop. Each side is suspended at one known point while the other runs: the game in a poll, between
// its passes or in a present, never inside the window procedure; the loop in its own dispatch. So
// nothing of the game is entered twice, and the passes still run only from the game's own loop.
struct Fibers {
    bool tried = false;
    void* game = nullptr;  // the main thread's own
    void* pump = nullptr;
    bool pumping = false;  // the pump's fiber has the thread
};

Fibers fibers;

void CALLBACK pumpFiber(void*) {
    for (;;) {
        dispatchAll();
        SwitchToFiber(fibers.game);
    }
}

// Without fibers dispatch runs on the game's stack, and a drag stops the game until it ends.
void startPump() {
    if (fibers.tried) return;
    fibers.tried = true;
    fibers.game = ConvertThreadToFiber(nullptr);
    if (fibers.game) fibers.pump = CreateFiber(0, pumpFiber, nullptr);
}

void win32TakeEvents() {
    start();
    startPump();
    if (fibers.pump) {
        fibers.pumping = true;
        SwitchToFiber(fibers.pump);
        fibers.pumping = false;
    } else
        dispatchAll();
    win32PollPads();
}

// Sleeps until USER has a message or timeoutMs pass.
void waitForMessage(DWORD timeoutMs) {
    MsgWaitForMultipleObjectsEx(0, nullptr, timeoutMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

// Sleeps until a message arrives or dueMs, the next timer's tick. The sleep is bounded, so that a
// caller polling with no timer running still gets its turn, and short while a pad, which sends no
// messages, is plugged in.
void win32Wait(uint64_t dueMs) {
    const uint64_t now = win32NowMs();
    const uint64_t due = std::min(dueMs, now + (win32PadsConnected() ? 10 : 100));
    if (due > now) waitForMessage(static_cast<DWORD>(due - now));
}

// Sleeps until the given moment of the steady clock, taking input into the queue meanwhile.
void readInputUntil(uint64_t moment) {
    constexpr uint64_t nsPerMs = 1000000;
    for (uint64_t now = steadyNowNs(); now < moment; now = steadyNowNs()) {
        const uint64_t left = moment - now;
        if (left >= nsPerMs)
            waitForMessage(static_cast<DWORD>(left / nsPerMs));
        else
            Sleep(0);
        win32TakeEvents();
    }
}

void win32Present() {
    if (const uint64_t due = presentDue()) readInputUntil(due);
    if (HDC dc = win32GameDC()) SwapBuffers(dc);
    presented();
}

// Each file's playing time, read once: the sound off still waits it. 0 for a file that is none.
uint32_t soundLength(const char* file) {
    static std::map<std::string, uint32_t> lengths;
    auto known = lengths.find(file);
    if (known != lengths.end()) return known->second;
    std::vector<unsigned char> bytes;
    if (std::FILE* f = std::fopen(file, "rb")) {
        unsigned char chunk[4096];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
        std::fclose(f);
    }
    uint32_t ms = 0;
    if (!waveLength(bytes, &ms)) ms = 0;
    return lengths[file] = ms;
}

// One sound at a time, as PlaySound itself does: a new one cuts the one playing.
void win32PlaySound(const char* file, SoundMode mode, int audible) {
    if (!audible) {
        PlaySoundA(nullptr, nullptr, 0);  // stops the one playing
        if (file && mode == soundWait) Sleep(soundLength(file));
        return;
    }
    if (!file) return;
    const DWORD wait = mode == soundWait ? SND_SYNC : SND_ASYNC;
    PlaySoundA(file, nullptr, SND_FILENAME | SND_NODEFAULT | wait);
}

int win32LocalClockSeconds() {
    SYSTEMTIME local;
    GetLocalTime(&local);
    return local.wSecond % 60;
}

const PlatformBackend win32Backend = {
    "win32",
    win32NowMs,
    win32TakeEvents,
    win32Wait,
    win32Present,
    win32PlaySound,
    win32ShowMessageBox,
    win32LocalClockSeconds,
    &win32WindowSteps,
    nullptr,
    nullptr,
};

}  // namespace

uint64_t win32NowMs() { return steadyNowNs() / 1000000; }

void win32ResumeGame() {
    if (fibers.pumping) SwitchToFiber(fibers.game);
}

const PlatformBackend* win32Platform() { return &win32Backend; }

const PlatformBackend* programPlatform() { return win32Platform(); }
