// The game window's X connection, which the idle wait watches itself while pads are read in slices.
// Its own file because Xlib's header defines names (None, Bool, Status) the rest would meet.
#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>

#include "platform/sdl/sdl_internal.h"

int sdlQuietConnection() {
#if defined(SDL_VIDEO_DRIVER_X11)
    // Asked at every slice, so the display is looked up once per window (ids are never reused).
    static Uint32 knownWindow = 0;
    static Display* display = nullptr;
    SDL_Window* window = sdlGameWindow();
    const Uint32 id = window ? SDL_GetWindowID(window) : 0;
    if (id != knownWindow) {
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        const bool x11 = id && SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11;
        display = x11 ? info.info.x11.display : nullptr;
        knownWindow = id;
    }
    // Events Xlib has already read would not make the socket readable.
    if (!display || QLength(display) > 0) return -1;
    return ConnectionNumber(display);
#else
    return -1;
#endif
}
