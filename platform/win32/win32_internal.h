// What the parts of the Win32 backend share: services (win32_backend.cpp), window and window
// procedure (win32_window.cpp) and pads (win32_pads.cpp).
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>

#include "platform/platform.h"

// The game window, or null before it exists and after teardown.
HWND win32GameWindow();
// The window's device context, or null.
HDC win32GameDC();

// Milliseconds of the steady clock the timers and pads count in.
uint64_t win32NowMs();
// Lets the game's loop run on from its last poll while a modal loop of the system holds the thread;
// returns at the game's next poll. Does nothing outside dispatch. Called by the window procedure at
// each tick of the size-and-move timer.
void win32ResumeGame();

// The raw window procedure the class is registered with: turns USER's messages into the game's
// (keys through the keyboard's holder count, sizes in pixels), switches full screen for Alt+Enter
// and F11, and leaves Alt+F4, Alt+Tab and the like to the system.
LRESULT CALLBACK win32WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The window steps on Windows (win32_window.cpp).
extern const WindowSteps win32WindowSteps;
// A modal box (win32_window.cpp); contract as PlatformBackend's showMessageBox.
int win32ShowMessageBox(const char* text, const char* caption, unsigned style);

// XInput pads (win32_pads.cpp), loaded at the first poll; without the DLL there are no pads.
// Turns the pads' buttons and left sticks into key messages and repeats held directions. Called at
// every poll of the queue.
void win32PollPads();
// True while a pad is plugged in: pads send no messages, so idle waits must stay short.
bool win32PadsConnected();
