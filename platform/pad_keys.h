// Gamepads as key sources, shared by the desktop backends: the mapping of buttons and the left stick
// to the keyboard's keys, the stick's dead zone, and the repeat of held directions.
#pragma once

#include <cstdint>

#include "platform/held_keys.h"

// What on a pad can hold a key down; one stick direction at a time.
enum PadSource {
    padDpadUp, padDpadDown, padDpadLeft, padDpadRight, padButtonA, padButtonStart, padButtonBack, padLeftStick,
    padSourceCount
};
// The buttons come first: a backend lists its own buttons in this order.
constexpr int padButtonCount = padLeftStick;

// The key each source of one pad holds, 0 for none.
struct PadHolds {
    uintptr_t held[padSourceCount];
};

// A button (any source but the stick) goes down or up: down, it holds its key, the D-pad its arrow,
// A (the south face button) Ctrl, Start P, Back Escape. Called by a backend for every change of a
// pad's buttons; a direction that pads start holding repeats from nowMs on.
void padButton(PadHolds* pad, PadSource source, bool down, uint64_t nowMs, PostMessageProc post);
// The left stick is at x, y (-32768..32767, +x right, +y down): past half its travel it holds one
// arrow, and lets go only back under 40%. Called by a backend when the stick moves.
void padStick(PadHolds* pad, int x, int y, uint64_t nowMs, PostMessageProc post);
// Lets go of everything the pad holds (unplugged).
void padReleaseAll(PadHolds* pad, uint64_t nowMs, PostMessageProc post);
// Gives post the repeat key-downs of directions held on pads. Called after each poll of the pads.
void padRepeatKeys(uint64_t nowMs, PostMessageProc post);
