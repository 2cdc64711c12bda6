// The browser backend: page events, timers on the main thread, Web Audio, in-page boxes, WebGL.
#pragma once

#include "platform/platform.h"

// The browser backend's table, to pass to installPlatform. Called by the web entry function.
const PlatformBackend* webPlatform();

// Shows on the page why the game could not start: the texts of the message boxes shown so far.
// Called by the web entry function when the game ends with a failure.
void webShowStartFailure();
// Shows the "Play again" panel, since a page cannot close itself. Called when the game has ended.
void webShowPlayAgain();
