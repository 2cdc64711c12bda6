// The real backend on SDL2: events, timers on the main thread, audio, window and GL context.
#pragma once

#include "platform/platform.h"

// The SDL backend's table, to pass to installPlatform. Called by main().
const PlatformBackend* sdlPlatform();
