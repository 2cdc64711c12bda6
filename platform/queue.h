// The seam's message queue as the backends feed it: posted messages, then a posted quit, then the
// ticks of due timers, soonest first, and the idle wait between.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// Appends a message translated from the system's events. Called by a backend's takeEvents and
// waits, and by its input sources (held keys, pads, touch) as their PostMessageProc.
void queuePost(uint32_t message, uintptr_t wParam, intptr_t lParam);
// True while a posted message waits to be taken. Called by a backend's wait, to stop waiting.
bool queueHasMessage();
// Empties the queue and forgets every timer, the posted quit and the idle state. Called when a
// backend is installed, and by the scripted backend as it loads a script.
void queueReset();
