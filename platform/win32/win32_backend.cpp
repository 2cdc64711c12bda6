// The services half of the Win32 backend: the message queue over USER's, timers with callbacks,
// presenting, sound, clock, and the parent console for a program built without one of its own.
#include "platform/win32/win32_backend.h"

#include <cstdio>
#include <deque>
#include <map>

#include "platform/pacing.h"
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

// ---- queue and timers ----

struct Timer {
    TimerProc proc;
    uint64_t tickedAt;  // 0: no tick waiting; else its order among the waiting ticks
};

struct Queue {
    bool started = false;
    std::deque<Message> messages;
    std::map<uintptr_t, Timer> timers;
    uint64_t ticks = 0;  // ticks taken from USER so far, for their order
    bool quitPosted = false;
    int quitCode = 0;
    bool idle = false;  // the last poll was empty and nothing was presented since

    ~Queue() {
        if (started) timeEndPeriod(1);
    }
};

Queue queue;

// A millisecond clock for the timed waits: the system's default tick is 15.6 ms.
void start() {
    if (queue.started) return;
    queue.started = true;
    timeBeginPeriod(1);
}

// USER's WM_TIMER comes only when nothing else is in its queue and a missed tick coalesces into
// the next, as the game's timers want; the callback notes the tick for this queue to hand out.
VOID CALLBACK onTimer(HWND, UINT, UINT_PTR id, DWORD) {
    auto found = queue.timers.find(id);
    if (found != queue.timers.end() && !found->second.tickedAt) found->second.tickedAt = ++queue.ticks;
}

// Dispatches everything USER holds: the window procedure puts the game's messages in this queue.
void pumpPending() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    win32PollPads();
}

// Takes the next message: translated ones first, then a posted quit, then a waiting timer tick,
// the earliest first.
bool takeMessage(Message* msg) {
    if (!queue.messages.empty()) {
        *msg = queue.messages.front();
        queue.messages.pop_front();
        return true;
    }
    if (queue.quitPosted) {
        queue.quitPosted = false;
        *msg = {msgQuit, static_cast<uintptr_t>(queue.quitCode), 0};
        return true;
    }
    Timer* earliest = nullptr;
    uintptr_t earliestId = 0;
    for (auto& entry : queue.timers)
        if (entry.second.tickedAt && (!earliest || entry.second.tickedAt < earliest->tickedAt)) {
            earliest = &entry.second;
            earliestId = entry.first;
        }
    if (!earliest) return false;
    earliest->tickedAt = 0;
    *msg = {msgTimer, earliestId, reinterpret_cast<intptr_t>(earliest->proc)};
    return true;
}

// Sleeps until a message arrives (a timer's WM_TIMER is one) or timeoutMs pass.
void waitForMessage(DWORD timeoutMs) {
    MsgWaitForMultipleObjectsEx(0, nullptr, timeoutMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
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
        pumpPending();
    }
}

bool win32Peek(Message* msg) {
    start();
    pumpPending();
    if (!takeMessage(msg)) {
        if (!queue.idle) {
            queue.idle = true;
            return false;
        }
        // The loop came back without presenting anything (paused, minimised): it has nothing to do
        // before the next message or timer tick, so it sleeps until then. The sleep is bounded, so
        // that a caller polling with no timer running still gets its turn, and short while a pad,
        // which sends no messages, is plugged in.
        waitForMessage(win32PadsConnected() ? 10 : 100);
        pumpPending();
        if (!takeMessage(msg)) return false;
    }
    queue.idle = false;
    return true;
}

void win32PostQuit(int exitCode) {
    queue.quitPosted = true;
    queue.quitCode = exitCode;
}

// A set replaces the timer of that id, and USER counts its next tick from now; a tick already
// waiting belongs to the old interval and goes too.
void win32SetTimer(uintptr_t id, uint32_t intervalMs, TimerProc proc) {
    start();
    HWND window = win32GameWindow();
    if (!window) return;
    queue.timers[id] = {proc, 0};
    SetTimer(window, id, intervalMs ? intervalMs : 1, onTimer);
}

void win32KillTimer(uintptr_t id) {
    if (HWND window = win32GameWindow()) KillTimer(window, id);
    queue.timers.erase(id);
}

void win32Present() {
    if (const uint64_t due = presentDue()) readInputUntil(due);
    if (HDC dc = win32GameDC()) SwapBuffers(dc);
    presented();
    queue.idle = false;
}

// One sound at a time, as PlaySound itself does: a new one cuts the one playing.
void win32PlaySound(const char* file, SoundMode mode) {
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
    win32Peek,
    win32PostQuit,
    win32SetTimer,
    win32KillTimer,
    win32Present,
    win32PlaySound,
    win32ShowMessageBox,
    win32LocalClockSeconds,
    win32RegisterClass,
    win32ChangeDisplayMode,
    win32RestoreDisplayMode,
    win32ShowCursor,
    win32CreateWindow,
    win32GetDeviceContext,
    win32ChoosePixelFormat,
    win32SetPixelFormat,
    win32CreateContext,
    win32MakeCurrent,
    win32DeleteContext,
    win32ReleaseDeviceContext,
    win32DestroyWindow,
    win32UnregisterClass,
    win32ShowWindow,
    win32CoverDesktop,
};

}  // namespace

void win32Post(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    queue.messages.push_back({message, wParam, lParam});
}

uint64_t win32NowMs() { return GetTickCount64(); }

const PlatformBackend* win32Platform() { return &win32Backend; }

const PlatformBackend* programPlatform() { return win32Platform(); }
