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

// The key each source of one pad holds, 0 for none.
struct PadHolds {
    uintptr_t held[padSourceCount];
};

// The key a button gives: the D-pad the arrows, A (the south face button) Ctrl, Start P, Back Esc.
uintptr_t padButtonKey(PadSource source);
// Makes source hold key (0: nothing), letting go of what it held before; a direction that pads start
// holding repeats from nowMs on. Called by a backend for every change of a pad's button or stick.
void padHold(PadHolds* pad, PadSource source, uintptr_t key, uint64_t nowMs, PostMessageProc post);
// Lets go of everything the pad holds (unplugged).
void padReleaseAll(PadHolds* pad, uint64_t nowMs, PostMessageProc post);
// The left stick's arrow from its axes (-32768..32767, +x right, +y down) and the arrow it held
// before: past half its travel a direction starts, back under 40% it ends.
uintptr_t padStickKey(int x, int y, uintptr_t held);
// Gives post the repeat key-downs of directions held on pads. Called after each poll of the pads.
void padRepeatKeys(uint64_t nowMs, PostMessageProc post);
