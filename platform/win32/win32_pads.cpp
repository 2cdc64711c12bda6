// XInput pads, loaded at run time, turned into the keyboard's key messages through the seam's pad keys.
#include <initializer_list>

#include "platform/pad_keys.h"
#include "platform/platform.h"
#include "platform/queue.h"
#include "platform/win32/win32_internal.h"

#include <xinput.h>  // after windows.h, which it needs

namespace {

typedef DWORD(WINAPI* GetStateProc)(DWORD, XINPUT_STATE*);

// An absent pad is asked again only now and then: asking for one is slow on some systems.
constexpr uint64_t absentRetryMs = 1000;

struct Slot {
    bool connected;
    uint64_t retryAt;
    DWORD packet;  // the state's number last seen; unchanged means nothing moved
    PadHolds holds;
};

struct Pads {
    bool tried = false;
    HMODULE dll = nullptr;
    GetStateProc getState = nullptr;
    Slot slots[XUSER_MAX_COUNT] = {};
    int connected = 0;

    ~Pads() {
        if (dll) FreeLibrary(dll);
    }
};

Pads pads;

// The newest XInput the system has; none at all means no pads.
void load() {
    pads.tried = true;
    for (const char* name : {"xinput1_4.dll", "xinput1_3.dll", "xinput9_1_0.dll"}) {
        pads.dll = LoadLibraryA(name);
        if (!pads.dll) continue;
        pads.getState = reinterpret_cast<GetStateProc>(
            reinterpret_cast<void (*)()>(GetProcAddress(pads.dll, "XInputGetState")));
        if (pads.getState) return;
        FreeLibrary(pads.dll);
        pads.dll = nullptr;
    }
}

void apply(Slot& slot, const XINPUT_GAMEPAD& pad, uint64_t now) {
    // In the order of the seam's PadSource.
    static const WORD masks[padButtonCount] = {XINPUT_GAMEPAD_DPAD_UP,    XINPUT_GAMEPAD_DPAD_DOWN,
                                               XINPUT_GAMEPAD_DPAD_LEFT,  XINPUT_GAMEPAD_DPAD_RIGHT,
                                               XINPUT_GAMEPAD_A,          XINPUT_GAMEPAD_START,
                                               XINPUT_GAMEPAD_BACK};
    for (int source = 0; source < padButtonCount; ++source)
        padButton(&slot.holds, static_cast<PadSource>(source), (pad.wButtons & masks[source]) != 0, now, queuePost);
    // XInput's stick has +y up; the shared dead zone counts +y down.
    padStick(&slot.holds, pad.sThumbLX, -static_cast<int>(pad.sThumbLY), now, queuePost);
}

}  // namespace

void win32PollPads() {
    if (!pads.tried) load();
    if (!pads.getState) return;
    const uint64_t now = win32NowMs();
    pads.connected = 0;
    for (DWORD i = 0; i < XUSER_MAX_COUNT; ++i) {
        Slot& slot = pads.slots[i];
        if (!slot.connected && now < slot.retryAt) continue;
        XINPUT_STATE state{};
        if (pads.getState(i, &state) != ERROR_SUCCESS) {
            if (slot.connected) padReleaseAll(&slot.holds, now, queuePost);
            slot.connected = false;
            slot.retryAt = now + absentRetryMs;
            continue;
        }
        ++pads.connected;
        if (slot.connected && state.dwPacketNumber == slot.packet) continue;
        slot.connected = true;
        slot.packet = state.dwPacketNumber;
        apply(slot, state.Gamepad, now);
    }
    if (pads.connected) padRepeatKeys(now, queuePost);
}

bool win32PadsConnected() { return pads.connected > 0; }
