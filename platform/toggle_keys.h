// The full-screen toggle's keys, Alt+Enter and F11, for the desktop backends: which key events
// switch between full screen and the window, and which belong to the toggle, so that the game is
// given none of them.
#pragma once

// The keys the toggle watches, as a backend tells them from its own key events.
enum ToggleKey { toggleOtherKey = 0, toggleF11, toggleReturn, toggleKeypadEnter };

// What a backend does with a key event.
enum ToggleAction {
    toggleNotMine = 0,  // the game's key: translate it as usual
    toggleSwallow,      // the toggle's (F11's key-up, a repeat, the Enter let go): drop it
    toggleSwitch,       // switch now, and drop the event
};

// Which Enter keys went down as the toggle, so that their key-ups are the toggle's too.
struct ToggleKeys {
    bool enterHeld[2];
};

// For one key event of the keyboard: down or up, Alt held at the event, a held key's repeat. F11
// switches on its first key-down; Enter or the keypad's Enter with Alt held likewise, and its
// key-up is the toggle's whatever is held then; a key-down that is no repeat is a new press even while
// its Enter counts as held, since a key-up can go elsewhere unannounced. Called by a backend's key
// translation.
ToggleAction toggleKeyEvent(ToggleKeys* keys, ToggleKey key, bool down, bool alt, bool repeat);
// Forgets the Enter keys held: key-ups elsewhere never arrive. Called when the focus is lost.
void toggleKeysReset(ToggleKeys* keys);
