// The backends' one list of main-thread timers.
#include "platform/timer_list.h"

void timerListSet(TimerList* list, uintptr_t id, uint32_t intervalMs, uint64_t nowMs, TimerProc proc) {
    const uint32_t interval = intervalMs ? intervalMs : 1;
    list->timers[id] = {interval, nowMs + interval, proc};
}

void timerListKill(TimerList* list, uintptr_t id) { list->timers.erase(id); }

bool timerListTakeTick(TimerList* list, uint64_t nowMs, Message* msg) {
    std::pair<const uintptr_t, TimerList::Timer>* due = nullptr;
    for (auto& entry : list->timers)
        if (entry.second.due <= nowMs && (!due || entry.second.due < due->second.due)) due = &entry;
    if (!due) return false;
    TimerList::Timer& t = due->second;
    while (t.due <= nowMs) t.due += t.interval;
    *msg = {msgTimer, due->first, reinterpret_cast<intptr_t>(t.proc)};
    return true;
}

uint64_t timerListNextDue(const TimerList& list, uint64_t latestMs) {
    uint64_t due = latestMs;
    for (const auto& entry : list.timers)
        if (entry.second.due < due) due = entry.second.due;
    return due;
}
