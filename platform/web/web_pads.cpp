// Gamepads through the browser's Gamepad API, polled, held as the desktop's pads hold their keys.
#include "platform/web/web_pads.h"

#include <emscripten.h>

#include <cstdint>

#include "platform/pad_keys.h"

namespace {

constexpr int padSlots = 4;
// The fields the page writes per pad: connected, the buttons down as bits of PadSource, the stick.
constexpr int padFields = 4;

}  // namespace

// Writes padSlots records of padFields into out: 1 when a pad is connected, the buttons of the
// standard mapping that are down (bit i for PadSource i), and the left stick's axes in -32767..32767.
// A browser that refuses the API (no secure context) reads as no pads.
EM_JS(void, pageReadPads, (int32_t* out, int slots), {
    var pads = [];
    try { pads = navigator.getGamepads ? navigator.getGamepads() : []; } catch (e) { pads = []; }
    // The standard mapping's D-pad up, down, left, right, then A (south), Start, Back.
    var buttons = [12, 13, 14, 15, 0, 9, 8];
    for (var i = 0; i < slots; i++) {
        var pad = pads && pads[i];
        var at = (out >> 2) + i * 4;
        HEAP32[at] = HEAP32[at + 1] = HEAP32[at + 2] = HEAP32[at + 3] = 0;
        if (!pad || !pad.connected) continue;
        HEAP32[at] = 1;
        var bits = 0;
        for (var b = 0; b < buttons.length; b++) {
            var button = pad.buttons && pad.buttons[buttons[b]];
            if (button && (button.pressed || button.value > 0.5)) bits |= 1 << b;
        }
        HEAP32[at + 1] = bits;
        var axis = function(k) {
            var v = pad.axes && pad.axes.length > k ? Number(pad.axes[k]) : 0;
            return isFinite(v) ? Math.round(Math.max(-1, Math.min(1, v)) * 32767) : 0;
        };
        HEAP32[at + 2] = axis(0);
        HEAP32[at + 3] = axis(1);
    }
});

namespace {

struct WebPad {
    bool connected;
    int32_t buttons;
    PadHolds holds;
};

WebPad webPads[padSlots];
double lastReadMs = -1e9;

// A pad that went away, or a page that did, holds nothing any more.
void letGo(WebPad& pad, uint64_t nowMs, PostMessageProc post) {
    padReleaseAll(&pad.holds, nowMs, post);
    pad = WebPad{};
}

}  // namespace

void webPollPads(bool away, PostMessageProc post) {
    const double now = emscripten_get_now();
    // The browser refreshes its pads' state about once a frame.
    if (now - lastReadMs < 4) return;
    lastReadMs = now;
    const uint64_t nowMs = static_cast<uint64_t>(now);
    if (away) {
        for (WebPad& pad : webPads)
            if (pad.connected) letGo(pad, nowMs, post);
        return;
    }
    int32_t read[padSlots * padFields];
    pageReadPads(read, padSlots);
    for (int i = 0; i < padSlots; ++i) {
        WebPad& pad = webPads[i];
        const int32_t* r = read + i * padFields;
        if (!r[0]) {
            if (pad.connected) letGo(pad, nowMs, post);
            continue;
        }
        pad.connected = true;
        const int32_t changed = pad.buttons ^ r[1];
        pad.buttons = r[1];
        for (int c = 0; c < padLeftStick; ++c)
            if (changed & (1 << c)) padButton(&pad.holds, static_cast<PadSource>(c), (r[1] >> c) & 1, nowMs, post);
        padStick(&pad.holds, r[2], r[3], nowMs, post);
    }
    padRepeatKeys(nowMs, post);
}
