// The window procedure and the two timer callbacks: they only record what happened, as flags.
#include "app/input.h"

#include "render/renderer.h"

int32_t keyDown[256];
int32_t windowActive = 1;
int32_t lookedAway = 0;
int32_t pictureLost = 1;
int32_t repeatTick = 1;
uint8_t fallTick = 0;

intptr_t windowProc(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
    case msgActivate:
        // Only minimising stops the loop; losing the focus alone does not, but both pause play.
        windowActive = activationMinimised(wParam) ? 0 : 1;
        if (activationMinimised(wParam) || !activationActive(wParam)) lookedAway = 1;
        pictureLost = 1;
        return 0;
    case msgSysCommand:
        // Neither the screen saver nor monitor power-down may start while the game runs.
        if (wParam == scScreenSave || wParam == scMonitorPower) return 0;
        break;
    case msgClose:
        // The window stays; the loop ends on the quit message and teardown destroys it.
        postQuitMessage(0);
        return 0;
    case msgKeyDown:
        if (wParam < 256) keyDown[wParam] = 1;
        return 0;
    case msgKeyUp:
        if (wParam < 256) keyDown[wParam] = 0;
        return 0;
    case msgSize:
        resizeViewport(sizeWidth(lParam), sizeHeight(lParam));
        pictureLost = 1;
        return 0;
    case msgPaint:
        pictureLost = 1;
        return 0;
    default:
        break;
    }
    return defaultWindowProc(window, message, wParam, lParam);
}

void onRepeatTimer(void*, uint32_t, uintptr_t, uint32_t) { repeatTick = 1; }

void onFallTimer(void*, uint32_t, uintptr_t, uint32_t) { fallTick = 1; }
