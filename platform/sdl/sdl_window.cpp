// The window steps of the SDL backend: video start, full screen (the desktop's own or a display mode),
// window, GL context, message boxes.
#include <cstdio>

#include "platform/platform.h"
#include "platform/pacing.h"
#include "platform/picture.h"
#include "platform/sdl/sdl_internal.h"

namespace {

void* glProc(const char* name) { return SDL_GL_GetProcAddress(name); }

SDL_Window* gameWindow = nullptr;
SDL_GLContext gameContext = nullptr;
int videoStarted = 0;

// SDL picks the window's GL visual when the window is made, so the colour depth is requested then.
// The game always asks for 16 bits; a full-screen mode change passes its own depth.
int windowColorBits = 16;
const int windowDepthBits = 16;

// Colour channel sizes for a depth: 5-6-5 up to 16 bits, 8-8-8 above.
void requestGlFormat(int bits, int depthBits = windowDepthBits) {
    const bool deep = bits > 16;
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, deep ? 8 : 5);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, deep ? 8 : 6);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, deep ? 8 : 5);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthBits);
    windowColorBits = bits;
}

// The display mode of exactly width x height, preferring the given colour depth; the screen's own
// mode list is searched because SDL otherwise grants the nearest size without saying so.
bool findDisplayMode(int width, int height, int bits, SDL_DisplayMode* found) {
    bool any = false;
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) != 0 || mode.w != width || mode.h != height) continue;
        const bool wantedDepth = static_cast<int>(SDL_BITSPERPIXEL(mode.format)) == bits;
        if (!any || wantedDepth) *found = mode;
        any = true;
        if (wantedDepth) break;
    }
    return any;
}

void closeWindow() {
    if (gameWindow) SDL_DestroyWindow(gameWindow);
    gameWindow = nullptr;
    pictureForget();
}

// The refresh rate of the window's display; 0 when SDL does not know it.
int refreshRate(SDL_Window* window) {
    SDL_DisplayMode mode;
    const int display = SDL_GetWindowDisplayIndex(window);
    if (display < 0 || SDL_GetCurrentDisplayMode(display, &mode) != 0) return 0;
    return mode.refresh_rate;
}

}  // namespace

SDL_Window* sdlGameWindow() { return gameWindow; }

int sdlRegisterClass() {
    if (!videoStarted) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return 0;
        videoStarted = 1;
    }
    SDL_DisableScreenSaver();
    return 1;
}

// SDL changes the display mode only for a full-screen window, so the window is made here, shown in
// the mode, and kept for the creation step; a mode that is not in force afterwards counts as refused.
int sdlChangeDisplayMode(int width, int height, int bits) {
    SDL_DisplayMode mode;
    if (!videoStarted || gameWindow || !findDisplayMode(width, height, bits, &mode)) return 0;
    requestGlFormat(bits);
    gameWindow = SDL_CreateWindow("", 0, 0, width, height,
                                  SDL_WINDOW_OPENGL | SDL_WINDOW_FULLSCREEN | SDL_WINDOW_HIDDEN);
    if (!gameWindow) return 0;
    if (SDL_SetWindowDisplayMode(gameWindow, &mode) != 0) {
        closeWindow();
        return 0;
    }
    SDL_ShowWindow(gameWindow);
    SDL_DisplayMode current;
    const int display = SDL_GetWindowDisplayIndex(gameWindow);
    if (display < 0 || SDL_GetCurrentDisplayMode(display, &current) != 0 || current.w != width ||
        current.h != height || !(SDL_GetWindowFlags(gameWindow) & SDL_WINDOW_FULLSCREEN)) {
        closeWindow();  // leaving full screen puts the desktop's mode back
        return 0;
    }
    return 1;
}

// The window covers the display at the desktop's own resolution and the game draws offscreen, so
// nothing about the display changes. That needs a desktop that holds the game's picture and
// framebuffer objects, which only a context can tell: one is made for the check and dropped.
int sdlCoverDesktop(int width, int height, int bits) {
    SDL_DisplayMode desktop;
    if (!videoStarted || gameWindow || SDL_GetDesktopDisplayMode(0, &desktop) != 0 || desktop.w < width ||
        desktop.h < height)
        return 0;
    // The window only receives the scaled picture: no depth buffer of its own.
    requestGlFormat(16, 0);
    gameWindow = SDL_CreateWindow("", SDL_WINDOWPOS_UNDEFINED_DISPLAY(0), SDL_WINDOWPOS_UNDEFINED_DISPLAY(0),
                                  desktop.w, desktop.h,
                                  SDL_WINDOW_OPENGL | SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_HIDDEN |
                                      SDL_WINDOW_ALLOW_HIGHDPI);
    if (!gameWindow) return 0;
    SDL_GLContext check = SDL_GL_CreateContext(gameWindow);
    const int offered = check ? pictureProbe(glProc, width, height, bits) : 0;
    if (check) {
        SDL_GL_MakeCurrent(gameWindow, nullptr);
        SDL_GL_DeleteContext(check);
    }
    if (!offered) {
        closeWindow();
        return 0;
    }
    pictureChoose(width, height);
    return 1;
}

void sdlRestoreDisplayMode() {
    if (gameWindow) SDL_SetWindowFullscreen(gameWindow, 0);
}

void sdlShowCursor(int show) { SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE); }

// Full screen takes over the window the mode change or the desktop check made; windowed makes a
// resizable framed window whose client area is width x height.
int sdlCreateWindow(const char* title, int width, int height, int fullscreen) {
    if (fullscreen) {
        if (!gameWindow && !sdlChangeDisplayMode(width, height, windowColorBits)) return 0;
        SDL_SetWindowTitle(gameWindow, title);
        return 1;
    }
    if (gameWindow) return 0;
    requestGlFormat(windowColorBits);
    gameWindow = SDL_CreateWindow(title, 0, 0, width, height,
                                  SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN);
    return gameWindow ? 1 : 0;
}

// The GL drawable is the window itself: there is no separate device context to obtain.
int sdlGetDeviceContext() { return gameWindow && (SDL_GetWindowFlags(gameWindow) & SDL_WINDOW_OPENGL) ? 1 : 0; }

// The window's visual was chosen from the request when the window was made; only that format is on offer.
// On the desktop, the request is for the offscreen picture, which takes the nearest formats on offer.
int sdlChoosePixelFormat(int bits, int depthBits) {
    if (!sdlGetDeviceContext()) return 0;
    if (pictureChosen()) {
        pictureFormat(bits, depthBits);
        return 1;
    }
    const bool sameChannels = (bits > 16) == (windowColorBits > 16);
    return sameChannels && depthBits == windowDepthBits ? 1 : 0;
}

int sdlSetPixelFormat(int format) { return format == 1 && sdlGetDeviceContext() ? 1 : 0; }

int sdlCreateContext() {
    if (!gameWindow || gameContext) return 0;
    gameContext = SDL_GL_CreateContext(gameWindow);
    return gameContext ? 1 : 0;
}

// Vertical sync paces presenting where the driver honours it; elsewhere the backend waits for the
// refresh itself. On the desktop the game's drawing goes to the offscreen picture from here on.
int sdlMakeCurrent(int current) {
    if (!current) {
        if (gameWindow && gameContext) pictureStop();
        return SDL_GL_MakeCurrent(gameWindow, nullptr) == 0 ? 1 : 0;
    }
    if (!gameWindow || !gameContext || SDL_GL_MakeCurrent(gameWindow, gameContext) != 0) return 0;
    if (!pictureStart(glProc)) return 0;
    const int syncAccepted = SDL_GL_SetSwapInterval(1) == 0;
    pacingStart(syncAccepted, refreshRate(gameWindow));
    return 1;
}

int sdlDeleteContext() {
    if (!gameContext) return 0;
    SDL_GL_DeleteContext(gameContext);
    gameContext = nullptr;
    return 1;
}

// Nothing to release: the drawable goes with the window.
int sdlReleaseDeviceContext() { return gameWindow ? 1 : 0; }

int sdlDestroyWindow() {
    if (!gameWindow) return 0;
    closeWindow();
    return 1;
}

int sdlUnregisterClass() {
    if (!videoStarted) return 0;
    SDL_EnableScreenSaver();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    videoStarted = 0;
    return 1;
}

// Windowed, the frame's outer corner goes to the screen's top-left once the frame is known.
void sdlShowWindow() {
    if (!gameWindow) return;
    SDL_ShowWindow(gameWindow);
    if (!(SDL_GetWindowFlags(gameWindow) & SDL_WINDOW_FULLSCREEN)) {
        int top = 0, left = 0;
        if (SDL_GetWindowBordersSize(gameWindow, &top, &left, nullptr, nullptr) == 0)
            SDL_SetWindowPosition(gameWindow, left, top);
    }
    SDL_RaiseWindow(gameWindow);
    SDL_SetWindowInputFocus(gameWindow);
}

int sdlShowMessageBox(const char* text, const char* caption, unsigned style) {
    const bool yesNo = (style & 0x0F) == mbYesNo;
    const unsigned icon = style & 0xF0;
    Uint32 flags = SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    if (icon == mbIconStop)
        flags |= SDL_MESSAGEBOX_ERROR;
    else if (icon == mbIconExclamation)
        flags |= SDL_MESSAGEBOX_WARNING;
    else
        flags |= SDL_MESSAGEBOX_INFORMATION;

    const SDL_MessageBoxButtonData okButtons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, idOk, "OK"}};
    const SDL_MessageBoxButtonData yesNoButtons[] = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, idYes, "Yes"},
                                                     {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, idNo, "No"}};
    SDL_MessageBoxData box = {};
    box.flags = flags;
    box.window = nullptr;
    box.title = caption;
    box.message = text;
    box.numbuttons = yesNo ? 2 : 1;
    box.buttons = yesNo ? yesNoButtons : okButtons;

    const int declined = yesNo ? idNo : idOk;
    int pressed = -1;
    // No button pressed counts as a box nobody saw: SDL reports success when a helper program it
    // starts for the box (zenity) fails to reach a display.
    if (SDL_ShowMessageBox(&box, &pressed) != 0 || pressed < 0) {
        std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
        return declined;
    }
    return pressed;
}

void sdlSwapWindow(SDL_Window* window) {
    // In pixels, not in the window's points, so that a high-density display gets every pixel.
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(window, &width, &height);
    const int scaled = pictureToWindow(width, height);
    SDL_GL_SwapWindow(window);
    if (scaled) pictureResume();
}
