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

// The game window, or null before it exists and after teardown.
HWND win32GameWindow();
// The window's device context, or null.
HDC win32GameDC();

// Puts a translated message in the game's queue. Called by the window procedure and the pads.
void win32Post(uint32_t message, uintptr_t wParam, intptr_t lParam);
// Milliseconds of the system's steady tick count.
uint64_t win32NowMs();

// The raw window procedure the class is registered with: turns USER's messages into the game's
// (keys through the keyboard's holder count, sizes in pixels), switches full screen for Alt+Enter
// and F11, and leaves Alt+F4, Alt+Tab and the like to the system.
LRESULT CALLBACK win32WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Window, display mode, GL context and message boxes (win32_window.cpp); contracts as the matching
// members of PlatformBackend.
int win32RegisterClass();
int win32ChangeDisplayMode(int width, int height, int bits);
int win32CoverDesktop(int width, int height, int bits);
void win32RestoreDisplayMode();
void win32ShowCursor(int show);
int win32CreateWindow(const char* title, int width, int height, int fullscreen);
int win32GetDeviceContext();
int win32ChoosePixelFormat(int bits, int depthBits);
int win32SetPixelFormat(int format);
int win32CreateContext();
int win32MakeCurrent(int current);
int win32DeleteContext();
int win32ReleaseDeviceContext();
int win32DestroyWindow();
int win32UnregisterClass();
void win32ShowWindow();
int win32ShowMessageBox(const char* text, const char* caption, unsigned style);

// XInput pads (win32_pads.cpp), loaded at the first poll; without the DLL there are no pads.
// Turns the pads' buttons and left sticks into key messages and repeats held directions. Called at
// every poll of the queue.
void win32PollPads();
// True while a pad is plugged in: pads send no messages, so idle waits must stay short.
bool win32PadsConnected();
