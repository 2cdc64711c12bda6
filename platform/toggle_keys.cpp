// The full-screen toggle's keys: Alt+Enter and F11 switch, and nothing of them reaches the game.
#include "platform/toggle_keys.h"

ToggleAction toggleKeyEvent(ToggleKeys* keys, ToggleKey key, bool down, bool alt, bool repeat) {
    // F11 is none of the game's keys; a held F11's repeats do not switch again.
    if (key == toggleF11) return down && !repeat ? toggleSwitch : toggleSwallow;
    if (key != toggleReturn && key != toggleKeypadEnter) return toggleNotMine;
    bool& held = keys->enterHeld[key == toggleKeypadEnter ? 1 : 0];
    if (!down) {
        // Let go after Alt, it would otherwise come as a plain key-up the game never had a key-down for.
        const bool wasToggle = held;
        held = false;
        return wasToggle ? toggleSwallow : toggleNotMine;
    }
    if (held) {
        if (repeat) return toggleSwallow;
        // A fresh press: the toggle's key-up went to another window and no focus change said so.
        held = false;
    }
    // Enter held before Alt went down stays the game's, repeats and all.
    if (!alt || repeat) return toggleNotMine;
    held = true;
    return toggleSwitch;
}

void toggleKeysReset(ToggleKeys* keys) { keys->enterHeld[0] = keys->enterHeld[1] = false; }
