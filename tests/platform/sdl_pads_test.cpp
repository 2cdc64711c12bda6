// Gamepads through the SDL backend, headless: SDL's virtual joysticks stand in for real pads.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <vector>

#include "platform/platform.h"
#include "platform/sdl/sdl_backend.h"

namespace {

struct Key {
    uint32_t message;
    uintptr_t code;
    bool operator==(const Key& other) const { return message == other.message && code == other.code; }
};

std::ostream& operator<<(std::ostream& out, const Key& k) {
    return out << (k.message == msgKeyDown ? "down " : k.message == msgKeyUp ? "up " : "other ") << k.code;
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

}  // namespace
