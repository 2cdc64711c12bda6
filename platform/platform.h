// The services layer: message queue, dispatch, timers, presenting, sound, message boxes, clock.
// The game, the loop, the renderer and the decoder call only these; a backend supplies them.
#pragma once

#include <cstdint>

// A window message as the loops take it from the queue (one shared record, see lastMessage).
struct Message {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

// Message numbers of the message model the game is written against.
constexpr uint32_t msgSize = 0x0005;        // lParam: low word width, high word height
constexpr uint32_t msgActivate = 0x0006;    // wParam high word: 1 = minimised
constexpr uint32_t msgPaint = 0x000F;       // the picture on screen was lost: exposed, restored, context back
constexpr uint32_t msgClose = 0x0010;       // the close button, Alt+F4, SIGINT, SIGTERM
constexpr uint32_t msgQuit = 0x0012;        // wParam: exit code; never dispatched
constexpr uint32_t msgKeyDown = 0x0100;     // wParam: virtual-key code
constexpr uint32_t msgKeyUp = 0x0101;
constexpr uint32_t msgSysKeyDown = 0x0104;  // a key pressed with Alt held: not recorded
constexpr uint32_t msgSysKeyUp = 0x0105;
constexpr uint32_t msgSysCommand = 0x0112;  // wParam: the command
constexpr uint32_t msgTimer = 0x0113;       // wParam: timer id; lParam: its TimerProc

constexpr uintptr_t scScreenSave = 0xF140;
constexpr uintptr_t scMonitorPower = 0xF170;

// msgActivate's wParam: the low word 1 while active, the high word 1 while minimised.
constexpr uintptr_t activationParam(bool active, bool minimised) {
    return (minimised ? uintptr_t{1} << 16 : 0) | (active ? 1 : 0);
}
constexpr bool activationMinimised(uintptr_t wParam) { return ((wParam >> 16) & 0xFFFF) != 0; }
constexpr bool activationActive(uintptr_t wParam) { return (wParam & 0xFFFF) != 0; }
// msgSize's lParam for a client area of width x height pixels, and back.
constexpr intptr_t sizeParam(int width, int height) {
    return (static_cast<intptr_t>(height & 0xFFFF) << 16) | (width & 0xFFFF);
}
constexpr int sizeWidth(intptr_t lParam) { return static_cast<int>(lParam & 0xFFFF); }
constexpr int sizeHeight(intptr_t lParam) { return static_cast<int>((lParam >> 16) & 0xFFFF); }

// Virtual-key codes of the keys the game reads; letters are their capitals.
constexpr int vkReturn = 13;
constexpr int vkControl = 17;
constexpr int vkAlt = 18;  // with F10, a system key: its key messages are msgSysKeyDown and msgSysKeyUp
constexpr int vkEscape = 27;
constexpr int vkSpace = 32;
constexpr int vkLeft = 37;
constexpr int vkUp = 38;
constexpr int vkRight = 39;
constexpr int vkDown = 40;
constexpr int vkM = 'M';
constexpr int vkP = 'P';
constexpr int vkF10 = 121;

typedef intptr_t (*WindowProc)(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
typedef void (*TimerProc)(void* window, uint32_t message, uintptr_t timerId, uint32_t time);

enum SoundMode { soundWait = 0, soundBackground = 1 };

// What the queue tells a backend that watches it (the scripted backend's trace): a message handed
// out (the message), a timer set (wParam its id, lParam the interval asked), a timer killed (wParam
// its id), a quit posted (wParam the exit code).
enum QueueEvent { queueTaken, queueTimerSet, queueTimerKilled, queueQuitPosted };

// Message box styles and answers (values of the message model the game is written against).
constexpr unsigned mbOk = 0x00;
constexpr unsigned mbYesNo = 0x04;
constexpr unsigned mbIconStop = 0x10;
constexpr unsigned mbIconExclamation = 0x30;
constexpr unsigned mbIconInformation = 0x40;
constexpr int idOk = 1;
constexpr int idYes = 6;
constexpr int idNo = 7;

// The steps of window creation and teardown a backend supplies, in the order createGameWindow uses
// them; each returns 1 on success, 0 on failure.
struct WindowSteps {
    int (*registerClass)();
    int (*changeDisplayMode)(int width, int height, int bits);  // 1 = the full-screen mode is in force
    void (*restoreDisplayMode)();
    void (*showCursor)(int show);
    int (*createWindow)(const char* title, int width, int height, int fullscreen);  // client size
    int (*getDeviceContext)();
    int (*choosePixelFormat)(int bits, int depthBits);  // a format index, 0 when none fits
    int (*setPixelFormat)(int format);
    int (*createContext)();
    int (*makeCurrent)(int current);  // 1: make the context current; 0: release it
    int (*deleteContext)();
    int (*releaseDeviceContext)();
    int (*destroyWindow)();
    int (*unregisterClass)();
    void (*showWindow)();  // show, bring to the foreground, take the keyboard focus
    // Full screen at the desktop's own resolution, the display left as it is: 1 when a window covering
    // the desktop can hold the game's width x height (the game draws at the desktop's pixels, 4:3
    // kept). Used instead of changeDisplayMode unless the user asked for the mode change.
    int (*coverDesktop)(int width, int height, int bits);
    // Optional: the size in pixels of the display the game starts on (the desktop's mode, the
    // browser's screen in device pixels); 0 x 0 when not known. Asked after registerClass.
    void (*displaySize)(int* width, int* height);
    // Optional: waits for a showWindow that goes on while the renderer starts (null where showing
    // is done when showWindow returns). Called once the renderer's start is over, either way.
    void (*finishShowing)();
};

// What a backend supplies: the queue, the timers and the idle wait are the seam's (queue.h); a
// backend turns its system's events into messages, waits, presents, plays sounds, shows boxes and
// makes the window.
struct PlatformBackend {
    const char* name;
    // The backend's steady clock in milliseconds; the timers count in it.
    uint64_t (*nowMs)();
    // Turns the system's pending events into messages (queuePost), without waiting. Called at every
    // poll of the queue, before it is read.
    void (*takeEvents)();
    // Waits until dueMs of nowMs, or until the system has an event, whichever comes first; it may
    // come back sooner (a backend bounds its own waits), never much later. Called when the loop polls
    // an empty queue twice with nothing presented in between; dueMs is the next timer tick, or
    // UINT64_MAX when no timer runs.
    void (*waitForEvents)(uint64_t dueMs);
    void (*presentFrame)();
    // One sound at a time: a new one cuts the one playing. Not audible (the sound is off): nothing
    // reaches the device and whatever plays stops, but a waited sound still takes its length.
    void (*playSound)(const char* file, SoundMode mode, int audible);
    int (*showMessageBox)(const char* text, const char* caption, unsigned style);
    int (*localClockSeconds)();
    const WindowSteps* window;
    // Optional: told of what the queue does (QueueEvent), with the message concerned.
    void (*watchQueue)(QueueEvent what, const Message& message);
    // Optional: the queue was found empty; may post messages, which the poll then takes.
    void (*queueEmpty)();
};

// The backend the program runs on, defined by the one backend the program is linked with (each
// backend's folder). Called by main().
const PlatformBackend* programPlatform();
// Installs the backend every service forwards to; null installs the null backend (no window, no
// sound, message boxes to standard error, an empty queue). Called once by the program or a test.
void installPlatform(const PlatformBackend* backend);
// The backend in force. Never null.
const PlatformBackend* currentPlatform();

// Registers the window procedure that dispatch and sent messages reach. Called by window creation.
void setWindowProc(WindowProc proc);
// Sends a message straight to the window procedure, as the platform does during its own calls.
intptr_t sendMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);

// The last message taken from the queue by any pump; its wParam is the loop's exit code.
extern Message lastMessage;

// Takes one pending message into lastMessage without waiting; false when the queue is empty.
bool peekMessage();
// Translates and dispatches lastMessage: a timer tick runs its callback, anything else the window
// procedure. Never given msgQuit.
void dispatchMessage();
void postQuitMessage(int exitCode);
void setTimer(uintptr_t id, uint32_t intervalMs, TimerProc proc);
void killTimer(uintptr_t id);
// Presents the back buffer (the buffer swap).
void presentFrame();
// How many frames any pump has presented so far. Read by the loop to tell whether the picture on
// screen is still the one it presented last.
uint64_t presentCount();

// The screen the loop's passes show, for input that depends on it (the browser's menu taps).
enum GameScreen { screenNone, screenMenu, screenPlay, screenPaused, screenOver };
// The loop has something new to show: the next empty poll runs the next pass at once instead of
// waiting for a message or tick. Called by the loop after a pass that changed what the next draws.
void keepLoopAwake();
// Tells the seam that a pass of the loop runs now, showing screen. Called by the loop at every pass.
void notePass(GameScreen screen);
// Passes run so far. Read by input that must know a pass has seen what it posted (touch).
uint64_t passCount();
// The screen of the latest pass; screenNone before the first.
GameScreen shownScreen();
// Names what the frames presented from now on show ("menu", "play", ...) so that a recording
// backend can trace it; set by whoever draws, before presenting. The text is copied.
void setSceneNote(const char* scene);
// The name last given to setSceneNote; "" before any.
const char* sceneNote();
// Plays a wave file by name, waiting for its end or in the background; failures are silence. While
// the sound is off the file is still played, in silence: a waited one takes its length.
void playSound(const char* file, SoundMode mode);
// Turns every sound on or off; off also silences the one playing. Called by the loop (M, and the
// settings at start-up); on until then.
void setSoundOn(bool on);
// Whether sounds are heard. Read by the scenes' sign.
bool soundOn();
// The player last gave input by touch (1) or by keys (0), for hints that name a control. Noted by
// the backend whose input it is; keys until then.
void noteTouchInput(bool touch);
bool touchInput();
// Shows a modal message box; returns the button pressed (idOk, idYes, idNo).
int showMessageBox(const char* text, const char* caption, unsigned style);
// Seconds (0..59) of the local wall-clock time.
int localClockSeconds();
// The local wall-clock time now, from the C library. Read by the null backend's clock and the store's dates.
void readLocalTime(struct tm* out);
// Default processing of a message the window procedure does not handle.
intptr_t defaultWindowProc(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
