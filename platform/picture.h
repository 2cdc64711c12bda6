// The desktop full screen's offscreen picture, shared by the desktop backends: the game draws into a
// framebuffer object of its own size, and each present scales that picture to fit the window, aspect
// kept, with black bars.
#pragma once

// A GL entry point by name from the current context's driver (SDL_GL_GetProcAddress, wglGetProcAddress).
typedef void* (*GlProcLoader)(const char* name);

// With a context current: 1 when a framebuffer object of that size can be built. Called once, by a
// backend's desktop full-screen check, on a context made for the check.
int pictureProbe(GlProcLoader loader, int width, int height, int bits);
// The picture of width x height is to be used; its formats come with the pixel-format step.
void pictureChoose(int width, int height);
// The colour and depth the game asked for, used for the picture instead of the window.
void pictureFormat(int colorBits, int depthBits);
// 1 while the picture is chosen.
int pictureChosen();
// With the game's context current: builds the picture's framebuffer and binds it for drawing; 1 on
// success and when no picture is chosen.
int pictureStart(GlProcLoader loader);
// With the context still current: releases the framebuffer.
void pictureStop();
// The window went: nothing of the picture is left (the context took its objects along).
void pictureForget();
// Replaces width and height with the picture's while one is chosen. Called for size events.
void pictureSize(int* width, int* height);
// Before the buffer swap: draws the picture scaled into the window's back buffer of width x height
// pixels and returns 1, or returns 0 when no picture is in use (the back buffer is the frame).
int pictureToWindow(int width, int height);
// After the buffer swap that followed pictureToWindow: the game draws into the picture again.
void pictureResume();
