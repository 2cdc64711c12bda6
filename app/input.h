// Key, activation and timer flags written by the window procedure and the timer callbacks.
#pragma once

#include <cstdint>

#include "platform/platform.h"

constexpr uintptr_t repeatTimer = 1;  // key repeat and menu pacing
constexpr uintptr_t fallTimer = 2;    // gravity and removal-spin pacing

extern int32_t keyDown[256];   // 1 while the key with that virtual-key code is down
extern int32_t windowActive;  // 0 while the window is minimised
extern int32_t lookedAway;    // the window lost the focus or was minimised since the loop last looked
extern int32_t pictureLost;   // the screen no longer shows the last frame (size, exposure, activation)
extern int32_t repeatTick;    // repeatTimer ticked since the last clear
extern uint8_t fallTick;      // fallTimer ticked since the last clear

// Records keys, activation, size, lost pictures and close; refuses the screen saver. Installed as the
// window's procedure.
intptr_t windowProc(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Sets repeatTick. Callback of repeatTimer.
void onRepeatTimer(void* window, uint32_t message, uintptr_t timerId, uint32_t time);
// Sets fallTick. Callback of fallTimer.
void onFallTimer(void* window, uint32_t message, uintptr_t timerId, uint32_t time);
