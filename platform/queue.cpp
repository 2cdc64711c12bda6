// The one message queue, timer list and idle wait, served to every backend.
#include "platform/queue.h"

#include <deque>

#include "platform/timer_list.h"

namespace {

struct Queue {
    std::deque<Message> messages;
    TimerList timers;
    bool quitPosted = false;
    int quitCode = 0;
    bool idle = false;  // the last poll was empty and nothing was presented since
    uint64_t presents = 0;
    uint64_t passes = 0;
    GameScreen screen = screenNone;
};

Queue queue;

void watch(QueueEvent what, const Message& m) {
    if (const auto watcher = currentPlatform()->watchQueue) watcher(what, m);
}

bool give(Message* msg, const Message& m) {
    *msg = m;
    queue.idle = false;
    watch(queueTaken, m);
    return true;
}

// Posted messages first, then a posted quit, then one due timer's tick.
bool take(Message* msg) {
    if (!queue.messages.empty()) {
        const Message m = queue.messages.front();
        queue.messages.pop_front();
        return give(msg, m);
    }
    if (queue.quitPosted) {
        queue.quitPosted = false;
        return give(msg, {msgQuit, static_cast<uintptr_t>(queue.quitCode), 0});
    }
    Message tick;
    if (timerListTakeTick(&queue.timers, currentPlatform()->nowMs(), &tick)) return give(msg, tick);
    return false;
}

}  // namespace

void queuePost(uint32_t message, uintptr_t wParam, intptr_t lParam) { queue.messages.push_back({message, wParam, lParam}); }

bool queueHasMessage() { return !queue.messages.empty(); }

void queueReset() { queue = Queue(); }

bool peekMessage() {
    const PlatformBackend* backend = currentPlatform();
    Message* msg = &lastMessage;
    backend->takeEvents();
    if (take(msg)) return true;
    if (backend->queueEmpty) {
        backend->queueEmpty();
        if (take(msg)) return true;
    }
    // The first empty poll after a present never waits: the loop has a pass to run. A second one
    // with nothing presented in between (paused, minimised) has nothing to do before the next
    // event or timer tick.
    if (!queue.idle) {
        queue.idle = true;
        return false;
    }
    backend->waitForEvents(timerListNextDue(queue.timers, UINT64_MAX));
    backend->takeEvents();
    return take(msg);
}

void postQuitMessage(int exitCode) {
    queue.quitPosted = true;
    queue.quitCode = exitCode;
    watch(queueQuitPosted, {msgQuit, static_cast<uintptr_t>(exitCode), 0});
}

void setTimer(uintptr_t id, uint32_t intervalMs, TimerProc proc) {
    timerListSet(&queue.timers, id, intervalMs, currentPlatform()->nowMs(), proc);
    watch(queueTimerSet, {msgTimer, id, static_cast<intptr_t>(intervalMs)});
}

void killTimer(uintptr_t id) {
    timerListKill(&queue.timers, id);
    watch(queueTimerKilled, {msgTimer, id, 0});
}

void presentFrame() {
    currentPlatform()->presentFrame();
    queue.idle = false;
    ++queue.presents;
}

uint64_t presentCount() { return queue.presents; }

void keepLoopAwake() { queue.idle = false; }

void notePass(GameScreen screen) {
    ++queue.passes;
    queue.screen = screen;
}

uint64_t passCount() { return queue.passes; }

GameScreen shownScreen() { return queue.screen; }

void playSound(const char* file, SoundMode mode) {
    currentPlatform()->playSound(file, mode, soundOn() ? 1 : 0);
    // A waited sound took its time: the loop has not been idle meanwhile.
    if (mode == soundWait) queue.idle = false;
}
