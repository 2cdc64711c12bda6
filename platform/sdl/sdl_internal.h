// What the parts of the SDL backend share: services (sdl_backend.cpp), window (sdl_window.cpp),
// pads (sdl_pads.cpp) and the window's connection (sdl_connection.cpp).
#pragma once

#include <SDL2/SDL.h>

#include <cstdint>

#include "platform/held_keys.h"
#include "platform/platform.h"

// The game window, or null before it exists and after teardown.
SDL_Window* sdlGameWindow();

// The window steps on SDL (sdl_window.cpp).
extern const WindowSteps sdlWindowSteps;
// Posts a size message for a window now width x height points: the drawable's pixels, not the
// points, so that a high-density display gets every pixel drawn. Called for a size event and as the
// window is shown.
void sdlPostDrawableSize(int width, int height);
// True once after a size message was posted since the last call. Called after each swap.
bool sdlTakeSizeChange();
// Full screen to window or back, the same window and context; the size message that follows gives
// the game the new drawable. Called for Alt+Enter and F11.
void sdlToggleFullscreen();
// A modal box (sdl_window.cpp); contract as PlatformBackend's showMessageBox.
int sdlShowMessageBox(const char* text, const char* caption, unsigned style);

// Gamepads (sdl_pads.cpp): their buttons and left stick become the keyboard's key messages.
// Starts the game controller subsystem, once; pads present and plugged in later then announce
// themselves as events. Called when the backend starts its events.
void sdlStartPads();
// Reads the pads' state and plugging into SDL's queue, since SDL's own event wait does not (it would
// poll every millisecond). Called before each poll of SDL's events.
void sdlUpdatePads();
// True while a pad is open: an idle wait must then wake often enough to read it.
bool sdlPadsOpen();
// Turns a pad event into key messages given to post; false for an event that is not a pad's.
// Called by the backend's event translation.
bool sdlPadEvent(const SDL_Event& e, PostMessageProc post);
// Gives post the repeat key-downs of directions held on pads. Called after each poll of SDL's events.
void sdlRepeatPadKeys(PostMessageProc post);

// The socket of the game window's X connection, when Xlib holds no event it has read and not yet
// handed over, so that a poll of it wakes for the next one; -1 without such a connection (Wayland,
// no window) or with events waiting (sdl_connection.cpp). Called by the idle wait between pumps.
int sdlQuietConnection();
// Forgets the connection looked up for the game window. Called as the window is destroyed, since a
// later one may come at the same address on another connection.
void sdlForgetConnection();
