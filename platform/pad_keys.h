// What a pad's buttons and left stick hold, for every backend's pads: the one mapping, the stick's
// dead zone and hysteresis, and the repeat of a held direction.
#pragma once

#include <cstdint>

#include "platform/held_keys.h"

// What on a pad can hold a key down; the stick holds one direction at a time.
enum PadControl {
    padDpadUp, padDpadDown, padDpadLeft, padDpadRight, padButtonA, padButtonStart, padButtonBack, padLeftStick,
    padControlCount
};

// One pad: the key each control holds (0 for none) and the left stick's axes, -32768..32767 with
// +x right and +y down. Zero-initialised when the pad is plugged in.
struct PadKeys {
    int x, y;
    uintptr_t held[padControlCount];
};

// A button (any control but the stick) goes down or up: down, it holds its key: the D-pad its arrow,
// A Ctrl, Start P, Back Escape. Called by a backend's pad translation; nowMs starts a direction's repeat.
void padButton(PadKeys* pad, PadControl control, bool down, uint64_t nowMs, PostMessageProc post);
// The left stick is at x, y: past the dead zone it holds one arrow, and lets go only well inside it.
void padStick(PadKeys* pad, int x, int y, uint64_t nowMs, PostMessageProc post);
// The pad lets go of everything it holds (unplugged, or the page lost). Called on a disconnect.
void padReleaseAll(PadKeys* pad, PostMessageProc post);
// Gives post the repeat key-downs due at nowMs of arrows held by pads, as a held arrow key repeats.
// Called by a backend after each poll of its pads.
void padRepeatKeys(uint64_t nowMs, PostMessageProc post);
