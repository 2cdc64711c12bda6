// Gamepads in the browser, read through the Gamepad API: the desktop's mapping and repeat.
#pragma once

#include "platform/held_keys.h"

// Reads every pad once and gives post the key messages of what changed, and the repeats of held
// arrows; away (the page hidden or without the focus) lets go of everything the pads hold. Called
// by the web backend's message poll; reads the pads at most once a few milliseconds.
void webPollPads(bool away, PostMessageProc post);
