// The offscreen picture, shared by the desktop backends: while the window's drawable is not the
// game's size (the desktop full screen, a resized window), the game draws into a framebuffer object
// of its own size, and each present scales that picture to fit, aspect kept, with black bars. At
// exactly the game's size the game draws straight into the window, with no copy.
#pragma once

// A GL entry point by name from the current context's driver (SDL_GL_GetProcAddress, wglGetProcAddress).
typedef void* (*GlProcLoader)(const char* name);

// With a context current: 1 when a framebuffer object of that size can be built. Called by a
// backend's desktop full-screen check.
int pictureProbe(GlProcLoader loader, int width, int height, int bits);
// The game draws at width x height in the window made now; the picture starts afresh. Called by a
// backend's window creation (a backend that never scales its window need not call it).
void pictureChoose(int width, int height);
// The colour and depth the game asked for, used for the picture's framebuffer.
void pictureFormat(int colorBits, int depthBits);
// 1 while a picture is chosen for the window.
int pictureChosen();
// With the game's context current, its drawable width x height in pixels: draws from now on go
// where the drawable's size says. Always 1: without framebuffer objects the game draws straight in.
int pictureStart(GlProcLoader loader, int width, int height);
// With the context still current: releases the framebuffer.
void pictureStop();
// The window went: nothing of the picture is left (the context took its objects along).
void pictureForget();
// With the context current: 1 when the picture can be scaled (the driver has framebuffer objects).
// Asked before going to a full screen larger than the game.
int pictureScalable();
// For a size event of a drawable now drawableWidth x drawableHeight: replaces width and height, the
// window's new size, with the game's, unless the driver cannot scale (the viewport then follows).
void pictureSize(int drawableWidth, int drawableHeight, int* width, int* height);
// Before the buffer swap, the drawable width x height: draws the picture scaled into the window's
// back buffer and returns 1, or returns 0 when the game drew straight into it.
int pictureToWindow(int width, int height);
// After the buffer swap: the binding for the next frame, from the drawable's size now.
void pictureResume(int width, int height);
