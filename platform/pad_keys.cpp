// Gamepads' buttons and left stick as holders of the keyboard's keys, with the stick's dead zone and
// the repeat of held directions.
#include "platform/pad_keys.h"

#include <cstdlib>

#include "platform/platform.h"

namespace {

// The stick's dead zone: a direction starts past half its travel and ends only back under 40%, and
// the other axis takes over only when clearly larger, so a stick resting near a threshold or a
// diagonal never chatters.
constexpr int stickPressAt = 16384;
constexpr int stickReleaseAt = 13107;
constexpr int stickSwitchMargin = 3277;

// A held direction gives more key-downs like a held arrow key: the menu consumes the arrows and acts
// again only on a new key-down.
constexpr uint64_t repeatDelayMs = 500;
constexpr uint64_t repeatIntervalMs = 40;

int padHolds[256];         // holds of each key by pads, which alone repeat them
uint64_t repeatDue[256];   // next repeat key-down of a held direction

uintptr_t padButtonKey(PadSource source) {
    switch (source) {
    case padDpadUp: return vkUp;
    case padDpadDown: return vkDown;
    case padDpadLeft: return vkLeft;
    case padDpadRight: return vkRight;
    case padButtonA: return vkControl;
    case padButtonStart: return vkP;
    case padButtonBack: return vkEscape;
    default: return 0;
    }
}

// Every button and stick direction is a holder of its key, counted with the keyboard's, so two pads,
// or the D-pad and the stick, holding one direction release it only when both have let go.
void padHold(PadHolds* pad, PadSource source, uintptr_t key, uint64_t nowMs, PostMessageProc post) {
    uintptr_t& held = pad->held[source];
    if (held == key || key > 255) return;
    if (held) {
        --padHolds[held];
        letGoKey(held, post);
    }
    held = key;
    if (!key) return;
    if (padHolds[key]++ == 0) repeatDue[key] = nowMs + repeatDelayMs;
    holdKey(key, post);
}

// The stick's arrow from its axes and the arrow it held before.
uintptr_t padStickKey(int x, int y, uintptr_t held) {
    const int across = std::abs(x), upDown = std::abs(y);
    const uintptr_t horizontal = x < 0 ? vkLeft : vkRight, vertical = y < 0 ? vkUp : vkDown;
    if (held) {
        const bool wasHorizontal = held == vkLeft || held == vkRight;
        const int own = held == vkLeft ? -x : held == vkRight ? x : held == vkUp ? -y : y;
        const int other = wasHorizontal ? upDown : across;
        if (own >= stickReleaseAt) {
            const bool otherWins = other >= stickPressAt && other > own + stickSwitchMargin;
            return otherWins ? (wasHorizontal ? vertical : horizontal) : held;
        }
    }
    if (across < stickPressAt && upDown < stickPressAt) return 0;
    return across >= upDown ? horizontal : vertical;
}

}  // namespace

void padButton(PadHolds* pad, PadSource source, bool down, uint64_t nowMs, PostMessageProc post) {
    if (source == padLeftStick) return;
    padHold(pad, source, down ? padButtonKey(source) : 0, nowMs, post);
}

void padStick(PadHolds* pad, int x, int y, uint64_t nowMs, PostMessageProc post) {
    padHold(pad, padLeftStick, padStickKey(x, y, pad->held[padLeftStick]), nowMs, post);
}

void padReleaseAll(PadHolds* pad, uint64_t nowMs, PostMessageProc post) {
    for (int s = 0; s < padSourceCount; ++s) padHold(pad, static_cast<PadSource>(s), 0, nowMs, post);
}

void padRepeatKeys(uint64_t nowMs, PostMessageProc post) {
    for (uintptr_t key = vkLeft; key <= vkDown; ++key) {
        if (!padHolds[key] || nowMs < repeatDue[key]) continue;
        post(msgKeyDown, key, 0);
        repeatDue[key] = nowMs + repeatIntervalMs;
    }
}
