// The game window's X connection, which the idle wait watches itself while pads are read in slices.
// Its own file because Xlib's header defines names (None, Bool, Status) the rest would meet.
#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>

#include "platform/sdl/sdl_internal.h"

#if defined(SDL_VIDEO_DRIVER_X11)
namespace {

// Asked at every slice, so the display is looked up once per window.
SDL_Window* knownWindow = nullptr;
Display* display = nullptr;

}  // namespace
#endif

void sdlForgetConnection() {
#if defined(SDL_VIDEO_DRIVER_X11)
    knownWindow = nullptr;
    display = nullptr;
#endif
}

int sdlQuietConnection() {
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_Window* window = sdlGameWindow();
    if (!window) return -1;
    if (window != knownWindow) {
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        const bool x11 = SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11;
        display = x11 ? info.info.x11.display : nullptr;
        knownWindow = window;
    }
    // Events Xlib has already read would not make the socket readable.
    if (!display || QLength(display) > 0) return -1;
    return ConnectionNumber(display);
#else
    return -1;
#endif
}
