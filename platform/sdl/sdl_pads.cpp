// Gamepads on SDL's game controller API, turned into the key messages the keyboard gives.
#include <cstdlib>
#include <map>

#include "platform/platform.h"
#include "platform/sdl/sdl_internal.h"

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

// What on a pad can hold a key down; one stick direction at a time.
enum Source {
    dpadUp, dpadDown, dpadLeft, dpadRight, buttonA, buttonStart, buttonBack, leftStick, sourceCount
};

struct Pad {
    SDL_GameController* controller;
    int x, y;                     // the left stick's axes, +x right, +y down
    uintptr_t held[sourceCount];  // the key each source holds, 0 for none
};

struct Pads {
    bool started = false;
    PostMessageProc post = nullptr;  // the queue of the call being served
    std::map<SDL_JoystickID, Pad> open;
    int padHolds[256] = {};          // holds of each key by pads, which alone repeat them
    uint64_t repeatDue[256] = {};    // next repeat key-down of a held direction

    ~Pads() {
        // After a full SDL_Quit the controllers are closed already.
        if (!started || !SDL_WasInit(SDL_INIT_GAMECONTROLLER)) return;
        for (auto& entry : open) SDL_GameControllerClose(entry.second.controller);
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }
};

Pads pads;

// Every button and stick direction is a holder of its key, counted with the keyboard's, so two pads,
// or the D-pad and the stick, holding one direction release it only when both have let go.
void hold(Pad& pad, Source source, uintptr_t key) {
    uintptr_t& held = pad.held[source];
    if (held == key) return;
    if (held) {
        --pads.padHolds[held];
        letGoKey(held, pads.post);
    }
    held = key;
    if (!key) return;
    if (pads.padHolds[key]++ == 0) pads.repeatDue[key] = SDL_GetTicks64() + repeatDelayMs;
    holdKey(key, pads.post);
}

// The stick's direction from its axes and the direction it held before.
uintptr_t stickKey(int x, int y, uintptr_t held) {
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

void addPad(int deviceIndex) {
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    if (id < 0 || pads.open.count(id)) return;
    SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
    if (!controller) return;
    pads.open[id] = Pad{controller, 0, 0, {}};
}

void removePad(SDL_JoystickID id) {
    auto found = pads.open.find(id);
    if (found == pads.open.end()) return;
    for (int s = 0; s < sourceCount; ++s) hold(found->second, static_cast<Source>(s), 0);
    SDL_GameControllerClose(found->second.controller);
    pads.open.erase(found);
}

void button(SDL_JoystickID id, uint8_t which, bool down) {
    static const struct {
        SDL_GameControllerButton button;
        Source source;
        uintptr_t key;
    } mapping[] = {
        {SDL_CONTROLLER_BUTTON_DPAD_UP, dpadUp, vkUp},
        {SDL_CONTROLLER_BUTTON_DPAD_DOWN, dpadDown, vkDown},
        {SDL_CONTROLLER_BUTTON_DPAD_LEFT, dpadLeft, vkLeft},
        {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, dpadRight, vkRight},
        {SDL_CONTROLLER_BUTTON_A, buttonA, vkControl},
        {SDL_CONTROLLER_BUTTON_START, buttonStart, vkP},
        {SDL_CONTROLLER_BUTTON_BACK, buttonBack, vkEscape},
    };
    auto found = pads.open.find(id);
    if (found == pads.open.end()) return;
    for (const auto& m : mapping)
        if (m.button == which) hold(found->second, m.source, down ? m.key : 0);
}

void axis(SDL_JoystickID id, uint8_t which, int value) {
    auto found = pads.open.find(id);
    if (found == pads.open.end()) return;
    Pad& pad = found->second;
    if (which == SDL_CONTROLLER_AXIS_LEFTX)
        pad.x = value;
    else if (which == SDL_CONTROLLER_AXIS_LEFTY)
        pad.y = value;
    else
        return;
    hold(pad, leftStick, stickKey(pad.x, pad.y, pad.held[leftStick]));
}

}  // namespace

void sdlStartPads() {
    if (pads.started) return;
    // A is the south face button on every pad, also on pads whose A is printed on the east one; the
    // player's own setting of the variable still wins.
    SDL_SetHintWithPriority(SDL_HINT_GAMECONTROLLER_USE_BUTTON_LABELS, "0", SDL_HINT_DEFAULT);
    // Left to SDL, pads are read in its event wait, which then polls every millisecond for as long
    // as a joystick is present; sdlUpdatePads reads them instead, and the idle wait comes in slices.
    SDL_SetHint(SDL_HINT_AUTO_UPDATE_JOYSTICKS, "0");
    // Pads present now announce themselves with the same added event as those plugged in later.
    pads.started = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
}

void sdlUpdatePads() {
    if (pads.started) SDL_GameControllerUpdate();
}

bool sdlPadsOpen() { return !pads.open.empty(); }

bool sdlPadEvent(const SDL_Event& e, PostMessageProc post) {
    if (!pads.started) return false;
    pads.post = post;
    switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED: addPad(e.cdevice.which); return true;
    case SDL_CONTROLLERDEVICEREMOVED: removePad(e.cdevice.which); return true;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
        button(e.cbutton.which, e.cbutton.button, e.type == SDL_CONTROLLERBUTTONDOWN);
        return true;
    case SDL_CONTROLLERAXISMOTION: axis(e.caxis.which, e.caxis.axis, e.caxis.value); return true;
    default: return false;
    }
}

void sdlRepeatPadKeys(PostMessageProc post) {
    if (pads.open.empty()) return;
    pads.post = post;
    const uint64_t now = SDL_GetTicks64();
    for (uintptr_t key = vkLeft; key <= vkDown; ++key) {
        if (!pads.padHolds[key] || now < pads.repeatDue[key]) continue;
        pads.post(msgKeyDown, key, 0);
        pads.repeatDue[key] = now + repeatIntervalMs;
    }
}
