// Frame pacing: where vertical sync is refused, or accepted but not honoured (judged by how long
// presented frames take), presents wait for the display's next refresh.
#include "platform/pacing.h"

#include <algorithm>
#include <chrono>

namespace {

constexpr int settlingPresents = 3;  // the first ones also wait for the window to appear
constexpr int judgedIntervals = 12;  // intervals between presents looked at for one judgement
constexpr uint64_t nsPerSecond = 1000000000;
constexpr int defaultRefreshHz = 60;

struct Pacing {
    bool paced = false;
    uint64_t period = nsPerSecond / defaultRefreshHz;
    uint64_t due = 0;   // while paced: the moment of the next present
    uint64_t last = 0;  // while judging: the moment of the last present
    int presents = 0;
    int judged = 0;
    uint64_t intervals[judgedIntervals] = {};
};

Pacing pacing;

// Sync honoured makes every present take about a refresh; while it is not paced, the game's frames
// are judged a dozen at a time, so that sync lost later (a compositor that stops honouring it for a
// hidden window) is caught too.
void judge(uint64_t now) {
    ++pacing.presents;
    if (pacing.last && pacing.presents > settlingPresents) {
        const uint64_t interval = now - pacing.last;
        // A long gap is a pause in drawing (paused, a sound played to its end), not a refresh.
        if (interval < 4 * pacing.period) pacing.intervals[pacing.judged++] = interval;
        if (pacing.judged == judgedIntervals) {
            pacing.judged = 0;
            uint64_t* const median = pacing.intervals + judgedIntervals / 2;
            std::nth_element(pacing.intervals, median, pacing.intervals + judgedIntervals);
            if (4 * *median < 3 * pacing.period) {
                pacing.paced = true;
                pacing.due = now + pacing.period;
            }
        }
    }
    pacing.last = now;
}

}  // namespace

uint64_t steadyNowNs() {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

void pacingStart(int syncAccepted, int refreshHz) {
    pacing = Pacing{};
    pacing.period = nsPerSecond / static_cast<uint64_t>(refreshHz > 0 ? refreshHz : defaultRefreshHz);
    pacing.paced = !syncAccepted;
}

uint64_t presentDue() { return presentDueAt(steadyNowNs()); }

void presented() { presentedAt(steadyNowNs()); }

uint64_t presentDueAt(uint64_t now) {
    if (!pacing.paced) return 0;
    // More than a refresh late (nothing drawn for a while, a slow frame): start counting afresh
    // instead of hurrying frames out to catch up.
    if (pacing.due == 0 || now > pacing.due + pacing.period) pacing.due = now;
    return pacing.due;
}

void presentedAt(uint64_t now) {
    if (pacing.paced)
        pacing.due += pacing.period;
    else
        judge(now);
}
