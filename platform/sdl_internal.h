// What the two halves of the SDL backend share: services (sdl_backend.cpp), window (sdl_window.cpp).
#pragma once

#include <SDL2/SDL.h>

// The game window, or null before it exists and after teardown.
SDL_Window* sdlGameWindow();

// Window, display mode, GL context and message boxes on SDL (sdl_window.cpp); contracts as the
// matching members of PlatformBackend.
int sdlRegisterClass();
int sdlChangeDisplayMode(int width, int height, int bits);
void sdlRestoreDisplayMode();
void sdlShowCursor(int show);
int sdlCreateWindow(const char* title, int width, int height, int fullscreen);
int sdlGetDeviceContext();
int sdlChoosePixelFormat(int bits, int depthBits);
int sdlSetPixelFormat(int format);
int sdlCreateContext();
int sdlMakeCurrent(int current);
int sdlDeleteContext();
int sdlReleaseDeviceContext();
int sdlDestroyWindow();
int sdlUnregisterClass();
void sdlShowWindow();
int sdlShowMessageBox(const char* text, const char* caption, unsigned style);
