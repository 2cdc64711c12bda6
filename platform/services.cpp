// Forwarding of every service to the installed backend, and the null backend.
#include "platform/platform.h"
#include "platform/queue.h"

#include <cstdio>
#include <ctime>

Message lastMessage = {0, 0, 0};

namespace {

WindowProc registeredProc = nullptr;

uint64_t nullNow() { return 0; }
void nullVoid() {}
void nullWait(uint64_t) {}
void nullSound(const char*, SoundMode, int) {}
int nullBox(const char* text, const char* caption, unsigned style) {
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    return (style & mbYesNo) ? idNo : idOk;
}
int nullClock() {
    std::tm local{};
    readLocalTime(&local);
    return local.tm_sec % 60;
}
int nullFail() { return 0; }
int nullDisplay(int, int, int) { return 0; }
void nullCursor(int) {}
int nullWindow(const char*, int, int, int) { return 0; }
int nullChoose(int, int) { return 0; }
int nullInt(int) { return 0; }

const WindowSteps nullWindowSteps = {
    nullFail,   nullDisplay, nullVoid, nullCursor, nullWindow, nullFail, nullChoose, nullInt,
    nullFail,   nullInt,     nullFail, nullFail,   nullFail,   nullFail, nullVoid,   nullDisplay, nullptr, nullptr,
};

const PlatformBackend nullBackend = {
    "null", nullNow, nullVoid, nullWait, nullVoid, nullSound, nullBox, nullClock, &nullWindowSteps, nullptr, nullptr,
};

const PlatformBackend* backend = &nullBackend;

}  // namespace

void installPlatform(const PlatformBackend* b) {
    backend = b ? b : &nullBackend;
    queueReset();
}
const PlatformBackend* currentPlatform() { return backend; }

void setWindowProc(WindowProc proc) { registeredProc = proc; }

intptr_t sendMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (!registeredProc) return defaultWindowProc(nullptr, message, wParam, lParam);
    return registeredProc(nullptr, message, wParam, lParam);
}

void dispatchMessage() {
    const Message& m = lastMessage;
    if (m.message == msgTimer && m.lParam != 0) {
        reinterpret_cast<TimerProc>(m.lParam)(nullptr, m.message, m.wParam, 0);
        return;
    }
    sendMessage(m.message, m.wParam, m.lParam);
}


namespace {
char sceneText[64] = "";
// Outlive a backend's installation: they are the player's, not the backend's.
bool soundHeard = true;
bool touchGiven = false;
}  // namespace

void setSoundOn(bool on) {
    if (soundHeard && !on) backend->playSound(nullptr, soundBackground, 0);
    soundHeard = on;
}

bool soundOn() { return soundHeard; }

void noteTouchInput(bool touch) { touchGiven = touch; }

bool touchInput() { return touchGiven; }

void setSceneNote(const char* scene) { std::snprintf(sceneText, sizeof sceneText, "%s", scene ? scene : ""); }
const char* sceneNote() { return sceneText; }
int showMessageBox(const char* text, const char* caption, unsigned style) {
    return backend->showMessageBox(text, caption, style);
}
int localClockSeconds() { return backend->localClockSeconds(); }

void readLocalTime(struct tm* out) {
    const std::time_t now = std::time(nullptr);
#ifdef _WIN32
    localtime_s(out, &now);
#else
    localtime_r(&now, out);
#endif
}

// Nothing of the desktop needs default handling here: system commands, focus and painting are the
// backend's own business, so the default answer is simply 0.
intptr_t defaultWindowProc(void*, uint32_t, uintptr_t, intptr_t) { return 0; }
