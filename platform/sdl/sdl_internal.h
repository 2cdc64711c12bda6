// What the parts of the SDL backend share: services (sdl_backend.cpp), window (sdl_window.cpp), pads
// (sdl_pads.cpp) and the desktop full screen's offscreen picture (sdl_picture.cpp).
#pragma once

#include <SDL2/SDL.h>

#include <cstdint>

#include "platform/held_keys.h"

// The game window, or null before it exists and after teardown.
SDL_Window* sdlGameWindow();

// Window, display mode, GL context and message boxes on SDL (sdl_window.cpp); contracts as the
// matching members of PlatformBackend.
int sdlRegisterClass();
int sdlChangeDisplayMode(int width, int height, int bits);
int sdlCoverDesktop(int width, int height, int bits);
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
// Full screen to window or back, the same window and context; the game keeps its size. Called for
// Alt+Enter and F11.
void sdlToggleFullscreen();
int sdlShowMessageBox(const char* text, const char* caption, unsigned style);

// Gamepads (sdl_pads.cpp): their buttons and left stick become the keyboard's key messages.
// Starts the game controller subsystem, once; pads present and plugged in later then announce
// themselves as events. Called when the backend starts its events.
void sdlStartPads();
// Turns a pad event into key messages given to post; false for an event that is not a pad's.
// Called by the backend's event translation.
bool sdlPadEvent(const SDL_Event& e, PostMessageProc post);
// Gives post the repeat key-downs of directions held on pads. Called after each poll of SDL's events.
void sdlRepeatPadKeys(PostMessageProc post);

// The offscreen picture (sdl_picture.cpp). Every window has one of the game's size; while the
// drawable is of another size the game draws into it and each present scales it to fit.
// With a context current: 1 when a framebuffer object of that size can be built. Called by the
// desktop full screen's check, on the game's own context.
int sdlPictureProbe(int width, int height, int bits);
// The game draws at width x height in the window made now; the picture starts afresh. Called by
// each window creation.
void sdlPictureChoose(int width, int height);
// The colour and depth the game asked for, used for the picture's framebuffer.
void sdlPictureFormat(int colorBits, int depthBits);
// With the game's context current: draws from now on go where the drawable's size says. Always 1
// (without framebuffer objects the game draws straight into the window).
int sdlPictureStart(SDL_Window* window);
// With the context still current: releases the framebuffer.
void sdlPictureStop();
// The window went: nothing of the picture is left (the context took its objects along).
void sdlPictureForget();
// With the context current: 1 when the picture can be scaled (the driver has framebuffer objects).
// Asked before going to a full screen larger than the game.
int sdlPictureScalable();
// Replaces width and height, the window's new size, with the game's size, unless the driver cannot
// scale (then the game's viewport follows the window). Called for size events.
void sdlPictureSize(SDL_Window* window, int* width, int* height);
// Presents: the picture scaled to fit the drawable with black bars, or the back buffer as it is.
void sdlSwapWindow(SDL_Window* window);
