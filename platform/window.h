// The game window and its GL context: creation with its fallbacks and messages, and teardown.
#pragma once

#include "platform/platform.h"

// What the window runs, installed by the entry function before createGameWindow: the window
// procedure, and the renderer's viewport and start-up, which creation calls once the context is current.
struct WindowClient {
    WindowProc windowProc;
    void (*resizeViewport)(int width, int height);
    int (*initRenderer)();
    // Optional: told the size of the display the game starts on (0 x 0 when not known), once the
    // window class is registered and before the window is made.
    void (*screenKnown)(int width, int height);
};
void setWindowClient(const WindowClient& client);
// Runs the client's viewport and renderer start-up again, on a context that replaced a lost one
// with all its textures; the game itself goes on as it was. Called by a backend once the new context
// is current; returns initRenderer's result (0 without a client).
int restartRenderer(int width, int height);

// 1 = full screen; cleared when the user accepts the windowed fallback; read at teardown.
extern int32_t fullscreenMode;

// How the game gets its screen, set from the command line before createGameWindow.
enum DisplayChoice {
    displayDesktop = 0,     // full screen at the desktop's own resolution, drawn at its pixels
    displayModeSwitch = 1,  // full screen by changing the display to the game's mode
    displayWindow = 2,      // a window at once, with no question
};
extern int32_t displayChoice;

// Builds the window, display mode, GL context and renderer; returns 1 when all is ready, 0 after
// the cause was shown to the user. Called once by the entry function.
int createGameWindow(const char* title, int width, int height, int bits, int fullscreen);
// Releases everything createGameWindow obtained, in reverse order, telling the user of failures.
// Called after the main loop and by createGameWindow on its own failures.
void destroyGameWindow();
