// Who holds each key: the keyboard, each pad and the touch controls are sources of one count per
// key, so the game sees a key go down with its first holder and up with its last.
#pragma once

#include <cstdint>

// Where a source's key messages go: a backend's queue.
typedef void (*PostMessageProc)(uint32_t message, uintptr_t wParam, intptr_t lParam);

// One more holder of key (0..255): its key-down when it is the first. Called by a source that keeps
// its own record of what it holds, and lets each such hold go once.
void holdKey(uintptr_t key, PostMessageProc post);
// One holder fewer: the key-up when it was the last.
void letGoKey(uintptr_t key, PostMessageProc post);
// How many holds key has now.
int keyHolders(uintptr_t key);

// The keys one source holds, for a source that holds each key at most once (the keyboard, touch).
struct KeySource {
    bool holds[256];
};
// The source presses key: counted once; a key it holds already gives another key-down, a held
// key's repeat. Called by a backend's input translation.
void sourcePress(KeySource* source, uintptr_t key, PostMessageProc post);
// The source lets key go. Returns false, posting nothing, when the source did not hold key.
bool sourceRelease(KeySource* source, uintptr_t key, PostMessageProc post);
// The source lets go of every key it holds (focus lost, a pad unplugged).
void sourceReleaseAll(KeySource* source, PostMessageProc post);
// One key event of a keyboard whose system does not tell system keys apart. A key pressed with Alt
// held, Alt itself and F10 go out as msgSysKeyDown and are not held; any key-up releases what its
// key-down held, whatever is held now, and one the keyboard did not hold goes out as msgSysKeyUp,
// so that it cannot release a key another source holds. Returns true when it is a system key's event.
// Called by the SDL and browser backends' key translation.
bool keyboardEvent(KeySource* keyboard, uintptr_t code, bool down, bool altHeld, PostMessageProc post);
