// Gamepads through the SDL backend, headless: SDL's virtual joysticks stand in for real pads.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <vector>

#include "platform/held_keys.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_backend.h"

namespace {

struct Key {
    uint32_t message;
    uintptr_t code;
    bool operator==(const Key& other) const { return message == other.message && code == other.code; }
};

std::ostream& operator<<(std::ostream& out, const Key& k) {
    const char* name = k.message == msgKeyDown      ? "down "
                       : k.message == msgKeyUp      ? "up "
                       : k.message == msgSysKeyDown ? "sys down "
                       : k.message == msgSysKeyUp   ? "sys up "
                                                    : "other ";
    return out << name << k.code;
}

// A pad with every standard button and axis, plugged in while the game runs.
class VirtualPad {
public:
    VirtualPad() {
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.name = "virtual pad";
        int device = SDL_JoystickAttachVirtualEx(&desc);
        joystick_ = device >= 0 ? SDL_JoystickOpen(device) : nullptr;
    }
    ~VirtualPad() { unplug(); }
    bool plugged() const { return joystick_ != nullptr; }
    void press(SDL_GameControllerButton b, bool down) { SDL_JoystickSetVirtualButton(joystick_, b, down); }
    void stick(int x, int y) {
        SDL_JoystickSetVirtualAxis(joystick_, SDL_CONTROLLER_AXIS_LEFTX, static_cast<Sint16>(x));
        SDL_JoystickSetVirtualAxis(joystick_, SDL_CONTROLLER_AXIS_LEFTY, static_cast<Sint16>(y));
    }
    void unplug() {
        if (!joystick_) return;
        const SDL_JoystickID id = SDL_JoystickInstanceID(joystick_);
        int device = SDL_NumJoysticks() - 1;
        while (device >= 0 && SDL_JoystickGetDeviceInstanceID(device) != id) --device;
        SDL_JoystickClose(joystick_);
        SDL_JoystickDetachVirtual(device);
        joystick_ = nullptr;
    }

private:
    SDL_Joystick* joystick_;
};

class SdlPads : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
        installPlatform(sdlPlatform());
        keys();
    }
    void TearDown() override {
        keys();
        installPlatform(nullptr);
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }
    // The key messages pending now, in order.
    static std::vector<Key> keys() {
        std::vector<Key> got;
        while (peekMessage())
            if (lastMessage.message == msgKeyDown || lastMessage.message == msgKeyUp)
                got.push_back({lastMessage.message, lastMessage.wParam});
        return got;
    }
};

using Keys = std::vector<Key>;
Key down(uintptr_t code) { return {msgKeyDown, code}; }
Key up(uintptr_t code) { return {msgKeyUp, code}; }

TEST_F(SdlPads, ButtonsGiveTheirKeysAndOnlyAHeldDirectionRepeats) {
    VirtualPad pad;
    ASSERT_TRUE(pad.plugged()) << SDL_GetError();
    keys();
    const std::pair<SDL_GameControllerButton, uintptr_t> buttons[] = {
        {SDL_CONTROLLER_BUTTON_A, vkControl},          {SDL_CONTROLLER_BUTTON_START, vkP},
        {SDL_CONTROLLER_BUTTON_BACK, vkEscape},        {SDL_CONTROLLER_BUTTON_DPAD_UP, vkUp},
        {SDL_CONTROLLER_BUTTON_DPAD_DOWN, vkDown},     {SDL_CONTROLLER_BUTTON_DPAD_LEFT, vkLeft},
        {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, vkRight},   {SDL_CONTROLLER_BUTTON_B, 0},
    };
    for (const auto& [button, code] : buttons) {
        pad.press(button, true);
        EXPECT_EQ(keys(), code ? Keys{down(code)} : Keys{}) << button;
        pad.press(button, false);
        EXPECT_EQ(keys(), code ? Keys{up(code)} : Keys{}) << button;
    }
    // Held, a direction gives more key-downs as a held arrow key does; a button gives just the one.
    pad.press(SDL_CONTROLLER_BUTTON_DPAD_DOWN, true);
    pad.press(SDL_CONTROLLER_BUTTON_START, true);
    EXPECT_EQ(keys(), (Keys{down(vkP), down(vkDown)}));  // SDL reports buttons in their order
    SDL_Delay(700);
    Keys repeats = keys();
    ASSERT_FALSE(repeats.empty());
    for (const Key& k : repeats) EXPECT_EQ(k, down(vkDown));
}

TEST_F(SdlPads, TheStickGivesOneArrowPastTheDeadZoneAndReleasesItBackInside) {
    VirtualPad pad;
    ASSERT_TRUE(pad.plugged()) << SDL_GetError();
    keys();
    const struct {
        int x, y;
        Keys expected;
    } steps[] = {
        {10000, 0, {}},                                // inside the dead zone
        {20000, 0, {down(vkRight)}},                   // past it
        {14000, 0, {}},                                // short of the way back: still held
        {12000, 0, {up(vkRight)}},                     // back inside
        {-9000, -20000, {down(vkUp)}},                 // the larger axis wins
        {-20000, -21000, {}},                          // a diagonal keeps the direction held
        {-23000, -21000, {}},                          // and so does a slightly larger other axis
        {-30000, -21000, {up(vkUp), down(vkLeft)}},    // until the other axis is clearly larger
        {-32768, 32767, {}},                           // a full diagonal: still no chatter
        {0, 32767, {up(vkLeft), down(vkDown)}},
        {0, 0, {up(vkDown)}},
    };
    for (const auto& step : steps) {
        pad.stick(step.x, step.y);
        EXPECT_EQ(keys(), step.expected) << step.x << ", " << step.y;
    }
}

TEST_F(SdlPads, AKeyHeldTwiceGoesUpWithItsLastHolderAndUnpluggingReleasesAPadsKeys) {
    VirtualPad first, second;
    ASSERT_TRUE(first.plugged() && second.plugged()) << SDL_GetError();
    keys();
    first.stick(-30000, 0);
    first.press(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
    first.press(SDL_CONTROLLER_BUTTON_A, true);
    second.press(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
    EXPECT_EQ(keys(), (Keys{down(vkLeft), down(vkControl)}));
    first.press(SDL_CONTROLLER_BUTTON_DPAD_LEFT, false);
    EXPECT_EQ(keys(), Keys{});
    first.unplug();
    EXPECT_EQ(keys(), Keys{up(vkControl)});
    second.unplug();
    EXPECT_EQ(keys(), Keys{up(vkLeft)});
}

// ---- key sequences through the backend: what the game receives, and that nothing stays down ----

namespace sequences {

// One thing the player or the desktop does.
enum Kind { press, release, focusLost, padPress, padRelease };
struct Step {
    Kind kind;
    int what;  // an SDL key code, or a pad button
    uint16_t mod = KMOD_NONE;
    uint8_t repeat = 0;
};

Step kb(SDL_Keycode key, uint16_t mod = KMOD_NONE, uint8_t repeat = 0) { return {press, key, mod, repeat}; }
Step kbUp(SDL_Keycode key, uint16_t mod = KMOD_NONE) { return {release, key, mod}; }
Step pad(SDL_GameControllerButton b) { return {padPress, b}; }
Step padUp(SDL_GameControllerButton b) { return {padRelease, b}; }
const Step lostFocus{focusLost, 0};

Key sysDown(uintptr_t code) { return {msgSysKeyDown, code}; }
Key sysUp(uintptr_t code) { return {msgSysKeyUp, code}; }

void perform(const Step& step, VirtualPad& virtualPad) {
    SDL_Event e{};
    switch (step.kind) {
    case press:
    case release:
        e.type = step.kind == press ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.keysym.sym = step.what;
        e.key.keysym.mod = step.mod;
        e.key.repeat = step.repeat;
        e.key.state = step.kind == press ? SDL_PRESSED : SDL_RELEASED;
        SDL_PushEvent(&e);
        return;
    case focusLost:
        e.type = SDL_WINDOWEVENT;
        e.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
        SDL_PushEvent(&e);
        return;
    case padPress:
    case padRelease:
        virtualPad.press(static_cast<SDL_GameControllerButton>(step.what), step.kind == padPress);
        return;
    }
}

// Every key message pending now, system keys included.
Keys keyMessages() {
    Keys got;
    while (peekMessage()) {
        const uint32_t m = lastMessage.message;
        if (m == msgKeyDown || m == msgKeyUp || m == msgSysKeyDown || m == msgSysKeyUp)
            got.push_back({m, lastMessage.wParam});
    }
    return got;
}

}  // namespace sequences

TEST_F(SdlPads, NoSequenceOfKeyboardPadAndFocusLeavesAKeyDown) {
    using namespace sequences;
    const auto alt = KMOD_LALT;
    const auto padA = SDL_CONTROLLER_BUTTON_A, padLeft = SDL_CONTROLLER_BUTTON_DPAD_LEFT,
               padDown = SDL_CONTROLLER_BUTTON_DPAD_DOWN;
    const struct {
        const char* name;
        std::vector<Step> steps;
        Keys expected;
    } cases[] = {
        {"a key alone", {kb(SDLK_DOWN), kbUp(SDLK_DOWN)}, {down(vkDown), up(vkDown)}},
        {"released with Alt held, as Alt+Tab does",
         {kb(SDLK_DOWN), kb(SDLK_LALT, alt), kbUp(SDLK_DOWN, alt), kbUp(SDLK_LALT)},
         {down(vkDown), sysDown(18), up(vkDown), sysUp(18)}},
        {"auto-repeat goes on with Alt held, then the key is released",
         {kb(SDLK_DOWN), kb(SDLK_LALT, alt), kb(SDLK_DOWN, alt, 1), kbUp(SDLK_DOWN, alt), kbUp(SDLK_LALT, alt)},
         {down(vkDown), sysDown(18), sysDown(vkDown), up(vkDown), sysUp(18)}},
        {"SDL's reset on focus loss: the key, then Alt, both with Alt in the modifiers",
         {kb(SDLK_DOWN), kb(SDLK_LALT, alt), kbUp(SDLK_DOWN, alt), kbUp(SDLK_LALT, alt), lostFocus},
         {down(vkDown), sysDown(18), up(vkDown), sysUp(18)}},
        {"focus lost with no key-up, and the key-up after the focus came back",
         {kb(SDLK_LEFT), kb(SDLK_LCTRL), lostFocus, kbUp(SDLK_LEFT), kbUp(SDLK_LCTRL)},
         {down(vkLeft), down(vkControl), up(vkControl), up(vkLeft), sysUp(vkLeft), sysUp(vkControl)}},
        {"a key pressed with Alt is a system key and released after Alt",
         {kb(SDLK_LALT, alt), kb(SDLK_LEFT, alt), kbUp(SDLK_LALT), kbUp(SDLK_LEFT)},
         {sysDown(18), sysDown(vkLeft), sysUp(18), sysUp(vkLeft)}},
        {"Alt+F4 and F10 reach the game as no key",
         {kb(SDLK_LALT, alt), kb(SDLK_F4, alt), kbUp(SDLK_F4, alt), kbUp(SDLK_LALT), kb(SDLK_F10), kbUp(SDLK_F10)},
         {sysDown(18), sysDown(115), sysUp(115), sysUp(18), sysDown(121), sysUp(121)}},
        {"keyboard first, pad last: one key-down, the key-up with the pad",
         {kb(SDLK_LCTRL), pad(padA), kbUp(SDLK_LCTRL), padUp(padA)},
         {down(vkControl), up(vkControl)}},
        {"pad first, keyboard last",
         {pad(padA), kb(SDLK_RCTRL), padUp(padA), kbUp(SDLK_RCTRL)},
         {down(vkControl), up(vkControl)}},
        {"a system key-up does not release the pad's key",
         {pad(padLeft), kb(SDLK_LALT, alt), kb(SDLK_LEFT, alt), kbUp(SDLK_LEFT, alt), kbUp(SDLK_LALT),
          padUp(padLeft)},
         {down(vkLeft), sysDown(18), sysDown(vkLeft), sysUp(vkLeft), sysUp(18), up(vkLeft)}},
        {"focus loss releases only the keyboard's hold",
         {kb(SDLK_DOWN), pad(padDown), lostFocus, kbUp(SDLK_DOWN), padUp(padDown)},
         {down(vkDown), sysUp(vkDown), up(vkDown)}},
    };
    for (const auto& c : cases) {
        VirtualPad virtualPad;
        ASSERT_TRUE(virtualPad.plugged()) << SDL_GetError();
        keyMessages();
        Keys got;
        for (const Step& step : c.steps) {
            perform(step, virtualPad);
            for (const Key& k : keyMessages()) got.push_back(k);
        }
        EXPECT_EQ(got, c.expected) << c.name;
        // The game's own record: a key message sets its flag, a key-up clears it; system keys are not
        // recorded.
        bool flag[256] = {};
        for (const Key& k : got)
            if (k.message == msgKeyDown || k.message == msgKeyUp) flag[k.code] = k.message == msgKeyDown;
        for (int code = 0; code < 256; ++code) {
            EXPECT_FALSE(flag[code]) << c.name << ": key " << code << " left down";
            EXPECT_EQ(keyHolders(static_cast<uintptr_t>(code)), 0) << c.name << ": key " << code << " still held";
        }
    }
}

}  // namespace
