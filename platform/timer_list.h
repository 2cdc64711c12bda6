// Window timers kept on the main thread by a backend: set, kill, and the ticks of due timers.
#pragma once

#include <cstdint>
#include <map>

#include "platform/platform.h"

// One backend's timers by id. Times are milliseconds of the backend's own steady clock.
struct TimerList {
    struct Timer {
        uint32_t interval;
        uint64_t due;
        TimerProc proc;
    };
    std::map<uintptr_t, Timer> timers;
};

// Starts or replaces timer id: its first tick falls one full interval (at least 1 ms) after now.
// Called by a backend's setTimer.
void timerListSet(TimerList* list, uintptr_t id, uint32_t intervalMs, uint64_t nowMs, TimerProc proc);
// Stops timer id; harmless when it is not running. Called by a backend's killTimer.
void timerListKill(TimerList* list, uintptr_t id);
// Takes the tick of the soonest due timer into msg and moves that timer past now, so that the
// ticks a late reader missed coalesce into this one; false when no timer is due. Called by a
// backend's peek once no other message is pending.
bool timerListTakeTick(TimerList* list, uint64_t nowMs, Message* msg);
// The soonest due time of any timer, or latestMs when that is earlier or no timer runs. Called by
// a backend deciding how long it may sleep.
uint64_t timerListNextDue(const TimerList& list, uint64_t latestMs);
