// Gamepads on SDL's game controller API, turned into the key messages the keyboard gives through the
// seam's pad keys.
#include <map>

#include "platform/pad_keys.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_internal.h"

namespace {

struct Pad {
    SDL_GameController* controller;
    int x, y;  // the left stick's axes, +x right, +y down
    PadHolds holds;
};

struct Pads {
    bool started = false;
    PostMessageProc post = nullptr;  // the queue of the call being served
    std::map<SDL_JoystickID, Pad> open;

    ~Pads() {
        // After a full SDL_Quit the controllers are closed already.
        if (!started || !SDL_WasInit(SDL_INIT_GAMECONTROLLER)) return;
        for (auto& entry : open) SDL_GameControllerClose(entry.second.controller);
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }
};

Pads pads;

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
    padReleaseAll(&found->second.holds, SDL_GetTicks64(), pads.post);
    SDL_GameControllerClose(found->second.controller);
    pads.open.erase(found);
}

void button(SDL_JoystickID id, uint8_t which, bool down) {
    // In the order of the seam's PadSource.
    static const SDL_GameControllerButton buttons[padButtonCount] = {
        SDL_CONTROLLER_BUTTON_DPAD_UP, SDL_CONTROLLER_BUTTON_DPAD_DOWN, SDL_CONTROLLER_BUTTON_DPAD_LEFT,
        SDL_CONTROLLER_BUTTON_DPAD_RIGHT, SDL_CONTROLLER_BUTTON_A, SDL_CONTROLLER_BUTTON_START,
        SDL_CONTROLLER_BUTTON_BACK};
    auto found = pads.open.find(id);
    if (found == pads.open.end()) return;
    for (int source = 0; source < padButtonCount; ++source)
        if (buttons[source] == which)
            padButton(&found->second.holds, static_cast<PadSource>(source), down, SDL_GetTicks64(), pads.post);
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
    padStick(&pad.holds, pad.x, pad.y, SDL_GetTicks64(), pads.post);
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
    padRepeatKeys(SDL_GetTicks64(), post);
}
