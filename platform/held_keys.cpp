// The holder count of each key across every input source.
#include "platform/held_keys.h"

#include "platform/platform.h"

namespace {

int holders[256];

}  // namespace

void holdKey(uintptr_t key, PostMessageProc post) {
    if (key > 255) return;
    if (holders[key]++ == 0) post(msgKeyDown, key, 0);
}

void letGoKey(uintptr_t key, PostMessageProc post) {
    if (key > 255 || holders[key] == 0) return;
    if (--holders[key] == 0) post(msgKeyUp, key, 0);
}

int keyHolders(uintptr_t key) { return key > 255 ? 0 : holders[key]; }

void sourcePress(KeySource* source, uintptr_t key, PostMessageProc post) {
    if (key > 255) return;
    if (source->holds[key]) {
        post(msgKeyDown, key, 0);
        return;
    }
    source->holds[key] = true;
    holdKey(key, post);
}

bool sourceRelease(KeySource* source, uintptr_t key, PostMessageProc post) {
    if (key > 255 || !source->holds[key]) return false;
    source->holds[key] = false;
    letGoKey(key, post);
    return true;
}

void sourceReleaseAll(KeySource* source, PostMessageProc post) {
    for (uintptr_t key = 0; key < 256; ++key) sourceRelease(source, key, post);
}

bool keyboardEvent(KeySource* keyboard, uintptr_t code, bool down, bool altHeld, PostMessageProc post) {
    const bool system = altHeld || code == vkAlt || code == vkF10;
    if (down && !system)
        sourcePress(keyboard, code, post);
    else if (down || !sourceRelease(keyboard, code, post))
        post(down ? msgSysKeyDown : msgSysKeyUp, code, 0);
    return system;
}
