// The window steps of the SDL backend: video start, full screen (the desktop's own or a display mode),
// window, GL context, message boxes.
#include <cstdio>
#include <cstring>
#include <system_error>
#include <thread>

#include "platform/platform.h"
#include "platform/queue.h"
#include "platform/pacing.h"
#include "platform/sdl/sdl_internal.h"

namespace {

SDL_Window* gameWindow = nullptr;
SDL_GLContext gameContext = nullptr;
int videoStarted = 0;

// SDL picks the window's GL visual when the window is made, so the colour depth is requested then.
// The game always asks for 16 bits; a full-screen mode change passes its own depth.
int windowColorBits = 16;
const int windowDepthBits = 16;

// The game's size and how its full screen was had, for Alt+Enter and F11.
int gameWidth = 800;
int gameHeight = 600;
int gameBits = 16;
bool modeSwitchAsked = false;

// Colour channel sizes for a depth: 5-6-5 up to 16 bits, 8-8-8 above.
void requestGlFormat(int bits) {
    const bool deep = bits > 16;
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, deep ? 8 : 5);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, deep ? 8 : 6);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, deep ? 8 : 5);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, windowDepthBits);
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
    sdlForgetConnection();
    if (gameWindow) SDL_DestroyWindow(gameWindow);
    gameWindow = nullptr;
}

// The refresh rate of the window's display; 0 when SDL does not know it.
int refreshRate(SDL_Window* window) {
    SDL_DisplayMode mode;
    const int display = SDL_GetWindowDisplayIndex(window);
    if (display < 0 || SDL_GetCurrentDisplayMode(display, &mode) != 0) return 0;
    return mode.refresh_rate;
}

// How many times the game's size a window is made on X11: the display's density in whole steps of
// 96 dots per inch (SDL2 reports no scale factor there, only the density), as many as fit the
// desktop's usable area. Other drivers (Wayland, macOS) give a high-density window more pixels than
// points themselves, and the game draws every one of them, so there the points are not multiplied.
int windowScale(int width, int height) {
    if (std::strcmp(SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "", "x11") != 0) return 1;
    float dpi = 0;
    SDL_Rect usable;
    if (SDL_GetDisplayDPI(0, nullptr, &dpi, nullptr) != 0 || SDL_GetDisplayUsableBounds(0, &usable) != 0)
        return 1;
    int scale = static_cast<int>(dpi / 96.0f + 0.25f);
    while (scale > 1 && (width * scale > usable.w || height * scale > usable.h)) --scale;
    return scale > 1 ? scale : 1;
}

// Windowed, the frame's outer corner goes to the screen's top-left once the frame is known.
void placeAtTopLeft() {
    int top = 0, left = 0;
    if (SDL_GetWindowBordersSize(gameWindow, &top, &left, nullptr, nullptr) == 0)
        SDL_SetWindowPosition(gameWindow, left, top);
}

// Full screen by the game's display mode; false, with the window as it was, when the mode is not
// in force afterwards.
bool switchMode(SDL_Window* window) {
    SDL_DisplayMode mode;
    if (!findDisplayMode(gameWidth, gameHeight, gameBits, &mode) || SDL_SetWindowDisplayMode(window, &mode) != 0)
        return false;
    if (SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) != 0) return false;
    SDL_DisplayMode current;
    const int display = SDL_GetWindowDisplayIndex(window);
    if (display < 0 || SDL_GetCurrentDisplayMode(display, &current) != 0 || current.w != gameWidth ||
        current.h != gameHeight || !(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN)) {
        SDL_SetWindowFullscreen(window, 0);  // leaving full screen puts the desktop's mode back
        return false;
    }
    return true;
}

// The desktop's own full screen: needs a desktop that holds the game's size.
bool coverDesktop(SDL_Window* window) {
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(0, &desktop) != 0 || desktop.w < gameWidth || desktop.h < gameHeight) return false;
    // A window manager sizes a full-screen window itself; without one (a bare X server) nobody
    // would, so the window first takes the display's place.
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(0, &bounds) == 0) {
        SDL_SetWindowPosition(window, bounds.x, bounds.y);
        SDL_SetWindowSize(window, bounds.w, bounds.h);
    }
    return SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
}

// True for SDL's drivers that show nothing, which it falls back to when no display answers; the
// game would then run unseen at full speed. Only asked for by name (SDL_VIDEODRIVER) do they count.
bool drawsNowhere() {
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if (!driver || (asked && *asked)) return false;
    return SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0 || SDL_strcmp(driver, "evdev") == 0;
}

int sdlRegisterClass() {
    if (!videoStarted) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return 0;
        if (drawsNowhere()) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            return 0;
        }
        videoStarted = 1;
    }
    SDL_DisableScreenSaver();
    return 1;
}

// SDL changes the display mode only for a full-screen window, so the window is made here, shown in
// the mode, and kept for the creation step; a mode that is not in force afterwards counts as refused.
int sdlChangeDisplayMode(int width, int height, int bits) {
    modeSwitchAsked = true;
    gameWidth = width;
    gameHeight = height;
    gameBits = bits;
    SDL_DisplayMode mode;
    if (!videoStarted || gameWindow || !findDisplayMode(width, height, bits, &mode)) return 0;
    requestGlFormat(bits);
    gameWindow = SDL_CreateWindow("", 0, 0, width, height,
                                  SDL_WINDOW_OPENGL | SDL_WINDOW_FULLSCREEN | SDL_WINDOW_HIDDEN |
                                      SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_RESIZABLE);
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

// The window covers the display at the desktop's own resolution and the game draws at that
// resolution, so nothing about the display changes. A desktop smaller than the game's size counts
// as refused.
int sdlCoverDesktop(int width, int height, int bits) {
    gameWidth = width;
    gameHeight = height;
    gameBits = bits;
    SDL_DisplayMode desktop;
    if (!videoStarted || gameWindow || SDL_GetDesktopDisplayMode(0, &desktop) != 0 || desktop.w < width ||
        desktop.h < height)
        return 0;
    requestGlFormat(bits);
    gameWindow = SDL_CreateWindow("", SDL_WINDOWPOS_UNDEFINED_DISPLAY(0), SDL_WINDOWPOS_UNDEFINED_DISPLAY(0),
                                  desktop.w, desktop.h,
                                  SDL_WINDOW_OPENGL | SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_HIDDEN |
                                      SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_RESIZABLE);
    return gameWindow ? 1 : 0;
}

void sdlRestoreDisplayMode() {
    if (gameWindow) SDL_SetWindowFullscreen(gameWindow, 0);
}

void sdlShowCursor(int show) { SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE); }

// Full screen takes over the window the mode change or the desktop check made; windowed makes a
// resizable framed window whose client area is width x height times the display's scale.
int sdlCreateWindow(const char* title, int width, int height, int fullscreen) {
    if (fullscreen) {
        if (!gameWindow && !sdlChangeDisplayMode(width, height, windowColorBits)) return 0;
        SDL_SetWindowTitle(gameWindow, title);
        return 1;
    }
    if (gameWindow) return 0;
    gameWidth = width;
    gameHeight = height;
    requestGlFormat(windowColorBits);
    const int scale = windowScale(width, height);
    gameWindow = SDL_CreateWindow(title, 0, 0, width * scale, height * scale,
                                  SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN |
                                      SDL_WINDOW_ALLOW_HIGHDPI);
    return gameWindow ? 1 : 0;
}

// The GL drawable is the window itself: there is no separate device context to obtain.
int sdlGetDeviceContext() { return gameWindow && (SDL_GetWindowFlags(gameWindow) & SDL_WINDOW_OPENGL) ? 1 : 0; }

// The window's visual was chosen from the request when the window was made; only that format is on
// offer.
int sdlChoosePixelFormat(int bits, int depthBits) {
    if (!sdlGetDeviceContext()) return 0;
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
// refresh itself.
int sdlMakeCurrent(int current) {
    if (!current) return SDL_GL_MakeCurrent(gameWindow, nullptr) == 0 ? 1 : 0;
    if (!gameWindow || !gameContext || SDL_GL_MakeCurrent(gameWindow, gameContext) != 0) return 0;
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

// Creation sets the viewport for the size the game asked for; the window as shown may be another
// (the desktop's full screen, a scaled window) and says so by no event of its own.
void showNow() {
    SDL_ShowWindow(gameWindow);
    if (!(SDL_GetWindowFlags(gameWindow) & SDL_WINDOW_FULLSCREEN)) placeAtTopLeft();
    SDL_RaiseWindow(gameWindow);
    SDL_SetWindowInputFocus(gameWindow);
    sdlPostDrawableSize(0, 0);
}

// Showing waits on the window manager: for the window to be mapped, and for a full-screen window
// up to 100 ms more for it to confirm the state, which some never do. Where X is (SDL makes Xlib
// thread-safe there) that wait goes on on a thread of its own while the main thread uploads the
// pictures, which touches only GL; finishShowing ends it before anything else uses SDL's video.
std::thread showing;

void sdlShowWindow() {
    if (!gameWindow) return;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && std::strcmp(driver, "x11") == 0) {
        try {
            showing = std::thread(showNow);
            return;
        } catch (const std::system_error&) {
            // No thread to be had: shown here.
        }
    }
    showNow();
}

void sdlFinishShowing() {
    if (showing.joinable()) showing.join();
}

// The desktop's mode on the display the window will open on.
void sdlDisplaySize(int* width, int* height) {
    SDL_DisplayMode desktop;
    if (!videoStarted || SDL_GetDesktopDisplayMode(0, &desktop) != 0) return;
    *width = desktop.w;
    *height = desktop.h;
}

}  // namespace

const WindowSteps sdlWindowSteps = {
    sdlRegisterClass,
    sdlChangeDisplayMode,
    sdlRestoreDisplayMode,
    sdlShowCursor,
    sdlCreateWindow,
    sdlGetDeviceContext,
    sdlChoosePixelFormat,
    sdlSetPixelFormat,
    sdlCreateContext,
    sdlMakeCurrent,
    sdlDeleteContext,
    sdlReleaseDeviceContext,
    sdlDestroyWindow,
    sdlUnregisterClass,
    sdlShowWindow,
    sdlCoverDesktop,
    sdlDisplaySize,
    sdlFinishShowing,
};

SDL_Window* sdlGameWindow() { return gameWindow; }

namespace {
bool sizeChanged = false;
}  // namespace

bool sdlTakeSizeChange() {
    const bool changed = sizeChanged;
    sizeChanged = false;
    return changed;
}

void sdlPostDrawableSize(int width, int height) {
    sizeChanged = true;
    if (gameWindow) SDL_GL_GetDrawableSize(gameWindow, &width, &height);
    queuePost(msgSize, 0, sizeParam(width, height));
}

// To the window: the display's mode, if it was switched, goes back as full screen ends; the window
// gets the game's size times the display's scale at the screen's top-left, and the pointer.
// To full screen: by the mode switch where the player asked for it, else (or when the mode is
// refused) the desktop's own; when neither can be had the window stays.
void sdlToggleFullscreen() {
    if (!gameWindow || !gameContext) return;
    if (SDL_GetWindowFlags(gameWindow) & SDL_WINDOW_FULLSCREEN) {
        SDL_SetWindowFullscreen(gameWindow, 0);
        SDL_SetWindowResizable(gameWindow, SDL_TRUE);
        const int scale = windowScale(gameWidth, gameHeight);
        SDL_SetWindowSize(gameWindow, gameWidth * scale, gameHeight * scale);
        placeAtTopLeft();
        SDL_ShowCursor(SDL_ENABLE);
    } else {
        if (!(modeSwitchAsked && switchMode(gameWindow)) && !coverDesktop(gameWindow)) return;
        SDL_ShowCursor(SDL_DISABLE);
    }
    SDL_RaiseWindow(gameWindow);
    SDL_SetWindowInputFocus(gameWindow);
}

int sdlShowMessageBox(const char* text, const char* caption, unsigned style) {
    sdlFinishShowing();  // a box for a picture that failed while the window was being shown
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
