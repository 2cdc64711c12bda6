// Frame pacing of the SDL backend on a clock of the test's own: when presents wait for the refresh.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <string>

#include "platform/pacing.h"

namespace {

constexpr uint64_t ms = 1000000;

struct Display {
    const char* name;
    int syncAccepted;
    uint64_t frameNs;  // how long each present takes by itself
    bool paced;        // whether presents end up waiting for the refresh
};
void PrintTo(const Display& d, std::ostream* os) { *os << d.name; }

class PacingTest : public ::testing::TestWithParam<Display> {};

// Thirty frames at the display's own pace; then, once paced, the next presents are due a 60 Hz
// refresh apart, and one that comes late starts the count afresh instead of rushing.
TEST_P(PacingTest, PacesExactlyWhereSyncDoesNotHold) {
    const Display& d = GetParam();
    pacingStart(d.syncAccepted, 0);
    uint64_t now = 1000 * ms;
    for (int frame = 0; frame < 30; ++frame) {
        if (const uint64_t due = presentDueAt(now)) now = std::max(now, due);
        now += d.frameNs;
        presentedAt(now);
    }
    const uint64_t due = presentDueAt(now);
    ASSERT_EQ(due != 0, d.paced);
    if (!d.paced) return;
    const uint64_t period = 1000 * ms / 60;
    EXPECT_LE(due, now + period);
    presentedAt(due);
    EXPECT_EQ(presentDueAt(due + 1 * ms), due + period);
    presentedAt(due + period);
    const uint64_t late = due + 10 * period;
    EXPECT_EQ(presentDueAt(late), late);
}

INSTANTIATE_TEST_SUITE_P(Displays, PacingTest,
                         ::testing::Values(Display{"SyncRefused", 0, 16 * ms, true},
                                           Display{"SyncAcceptedNotHonoured", 1, 3 * ms, true},
                                           Display{"SyncHonoured", 1, 16 * ms + 600000, false},
                                           Display{"SlowerThanTheRefresh", 1, 40 * ms, false}),
                         [](const ::testing::TestParamInfo<Display>& info) { return std::string(info.param.name); });

}  // namespace
