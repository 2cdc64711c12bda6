// The reference of the play-cost and start-up benchmarks: a bare SDL2 + GL window of 800x600 that
// clears and presents at 60 Hz, sleeping to each frame's moment when vertical sync does not pace it.
// With --fullscreen it covers the desktop instead, as the game's default full screen does.
#include <SDL2/SDL.h>
#include <SDL2/SDL_opengl.h>

#include <cstring>

int main(int argc, char** argv) {
    const bool fullscreen = argc > 1 && std::strcmp(argv[1], "--fullscreen") == 0;
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
    // Made at the desktop's size: under twm a full-screen-desktop window of 800x600 stays that size,
    // and a drawable smaller than the game's would leave its buffers out of the comparison.
    SDL_DisplayMode desktop = {};
    const bool sized = fullscreen && SDL_GetDesktopDisplayMode(0, &desktop) == 0;
    SDL_Window* window = SDL_CreateWindow("bare window", 0, 0, sized ? desktop.w : 800, sized ? desktop.h : 600,
                                          SDL_WINDOW_OPENGL | (fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0));
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!context) return 1;
    SDL_GL_SetSwapInterval(1);
    const Uint64 frequency = SDL_GetPerformanceFrequency();
    Uint64 due = SDL_GetPerformanceCounter();
    for (bool running = true; running;) {
        SDL_Event event;
        while (SDL_PollEvent(&event))
            if (event.type == SDL_QUIT) running = false;
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        due += frequency / 60;
        const Uint64 now = SDL_GetPerformanceCounter();
        if (due > now)
            SDL_Delay(static_cast<Uint32>((due - now) * 1000 / frequency));
        else
            due = now;
        SDL_GL_SwapWindow(window);
    }
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
