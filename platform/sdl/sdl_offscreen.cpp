// Offscreen GL context on SDL's offscreen video driver (EGL on Mesa's software renderer).
#include "platform/offscreen.h"

#include <SDL2/SDL.h>

#include <cstdio>

namespace {
SDL_Window* offscreenWindow = nullptr;
SDL_GLContext offscreenContext = nullptr;
}  // namespace

int openOffscreenContext(int width, int height) {
    if (offscreenContext) return 1;
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "offscreen video: %s\n", SDL_GetError());
        return 0;
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    offscreenWindow = SDL_CreateWindow("offscreen", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (offscreenWindow) offscreenContext = SDL_GL_CreateContext(offscreenWindow);
    if (!offscreenContext) {
        std::fprintf(stderr, "offscreen GL context: %s\n", SDL_GetError());
        closeOffscreenContext();
        return 0;
    }
    return 1;
}

void presentOffscreen() {
    if (offscreenWindow) SDL_GL_SwapWindow(offscreenWindow);
}

void closeOffscreenContext() {
    if (offscreenContext) SDL_GL_DeleteContext(offscreenContext);
    if (offscreenWindow) SDL_DestroyWindow(offscreenWindow);
    offscreenContext = nullptr;
    offscreenWindow = nullptr;
    // The video subsystem, and with it the GL driver, stays loaded: unloading Mesa would leave its
    // remaining allocations unreachable, which LeakSanitizer reports as leaks of ours.
}
