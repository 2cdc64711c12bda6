// Creation and teardown of the game window, its display mode and GL context, on the installed backend.
#include "platform/window.h"

int32_t fullscreenMode = 1;
int32_t displayChoice = displayDesktop;

namespace {

// What the window runs; installed by the entry function.
WindowClient windowClient = {nullptr, nullptr, nullptr, nullptr};

// Which resources exist, so that teardown releases exactly those. 1 = obtained.
int32_t mainWindow = 0;
int32_t windowDC = 0;
int32_t glContext = 0;
// 1 = the display's mode was changed, so teardown puts it back. The desktop full screen never changes it.
int32_t displayModeChanged = 0;

// The pixel format request, filled once per process from the colour depth of the first call.
struct PixelFormatRequest {
    int32_t filled;
    int colorBits;
    int depthBits;
};
PixelFormatRequest pixelFormatRequest = {0, 0, 0};

const char* const errorCaption = "ERROR";
const char* const shutdownCaption = "SHUTDOWN ERROR";
const char* const fullscreenQuestion =
    "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?";

void showError(const char* text) { showMessageBox(text, errorCaption, mbOk | mbIconExclamation); }

void showShutdownError(const char* text) { showMessageBox(text, shutdownCaption, mbOk | mbIconInformation); }

// Everything obtained so far goes first, so that a full-screen user reads the box on the desktop.
int failWith(const char* text) {
    destroyGameWindow();
    showError(text);
    return 0;
}

}  // namespace

void setWindowClient(const WindowClient& client) { windowClient = client; }

int restartRenderer(int width, int height) {
    if (windowClient.resizeViewport) windowClient.resizeViewport(width, height);
    return windowClient.initRenderer ? windowClient.initRenderer() : 0;
}

int createGameWindow(const char* title, int width, int height, int bits, int fullscreen) {
    const PlatformBackend* platform = currentPlatform();
    fullscreenMode = fullscreen ? 1 : 0;

    setWindowProc(windowClient.windowProc);
    if (!platform->window->registerClass()) {
        showError("Failed To Register The Window Class.");
        return 0;
    }
    if (windowClient.screenKnown) {
        int displayWidth = 0, displayHeight = 0;
        if (platform->window->displaySize) platform->window->displaySize(&displayWidth, &displayHeight);
        windowClient.screenKnown(displayWidth, displayHeight);
    }

    displayModeChanged = 0;
    if (fullscreenMode) {
        const bool switchMode = displayChoice == displayModeSwitch;
        const int ready = switchMode ? platform->window->changeDisplayMode(width, height, bits)
                                     : platform->window->coverDesktop(width, height, bits);
        if (!ready) {
            if (showMessageBox(fullscreenQuestion, "Vixo GL", mbYesNo | mbIconExclamation) != idYes) {
                showMessageBox("Program Will Now Close.", errorCaption, mbOk | mbIconStop);
                return 0;
            }
            fullscreenMode = 0;
        }
        displayModeChanged = ready && switchMode;
    }
    if (fullscreenMode) platform->window->showCursor(0);

    mainWindow = platform->window->createWindow(title, width, height, fullscreenMode);
    if (!mainWindow) return failWith("Window Creation Error.");

    if (!pixelFormatRequest.filled) pixelFormatRequest = {1, bits & 0xFF, 16};

    windowDC = platform->window->getDeviceContext();
    if (!windowDC) return failWith("Can't Create A GL Device Context.");
    int format = platform->window->choosePixelFormat(pixelFormatRequest.colorBits, pixelFormatRequest.depthBits);
    if (format == 0) return failWith("Can't Find A Suitable PixelFormat.");
    if (!platform->window->setPixelFormat(format)) return failWith("Can't Set The PixelFormat.");
    glContext = platform->window->createContext();
    if (!glContext) return failWith("Can't Create A GL Rendering Context.");
    if (!platform->window->makeCurrent(1)) return failWith("Can't Activate The GL Rendering Context.");

    platform->window->showWindow();
    if (windowClient.resizeViewport) windowClient.resizeViewport(width, height);
    const int started = windowClient.initRenderer && windowClient.initRenderer();
    if (platform->window->finishShowing) platform->window->finishShowing();
    if (!started) return failWith("Initialization Failed.");
    return 1;
}

void destroyGameWindow() {
    const PlatformBackend* platform = currentPlatform();
    if (fullscreenMode) {
        if (displayModeChanged) platform->window->restoreDisplayMode();
        platform->window->showCursor(1);
    }
    if (glContext) {
        if (!platform->window->makeCurrent(0)) showShutdownError("Release Of DC And RC Failed.");
        if (!platform->window->deleteContext()) showShutdownError("Release Rendering Context Failed.");
        glContext = 0;
    }
    if (windowDC) {
        if (!platform->window->releaseDeviceContext()) showShutdownError("Release Device Context Failed.");
        windowDC = 0;
    }
    if (mainWindow) {
        if (!platform->window->destroyWindow()) showShutdownError("Could Not Release hWnd.");
        mainWindow = 0;
    }
    if (!platform->window->unregisterClass()) showShutdownError("Could Not Unregister Class.");
}
