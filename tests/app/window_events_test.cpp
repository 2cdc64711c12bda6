// Window events in play: minimising with pending ticks, Alt keys, and a failed start.
#include <gtest/gtest.h>

#include "harness.h"

namespace {

const std::string startGame = "at 100 keydown Return\nat +40 keyup Return\n";

TEST(WindowEvents, MinimisedWindowOnlyCollectsTicksAndRestoreTakesOneOfEach) {
    Replay r = replay(startGame +
                      "trace ticks\nat 300 keydown Right\nat 500 minimise\nat 4000 restore\nat 4100 keyup Right\n"
                      "at 4300 keydown Escape\nat +40 keyup Escape\nat 4800 keydown Escape\n");
    int minimise = r.find("take minimise");
    int restore = r.find("take restore");
    ASSERT_GT(restore, minimise);
    EXPECT_EQ(r.count("present", minimise, restore), 0);
    EXPECT_EQ(r.count("sound", minimise, restore), 0);
    EXPECT_GE(r.count("tick 2", minimise, restore), 3);
    EXPECT_GE(r.count("tick 1", minimise, restore), 10);
    // The first pass after the restore: one key repeat and one gravity step.
    int pass = r.find("present play", restore);
    EXPECT_EQ(r.texts(pass, 6),
              (std::vector<std::string>{"present play", "sound pic/move.wav background", "timer kill 1",
                                        "timer set 1 300", "sound pic/move.wav background", "present play"}));
}

TEST(WindowEvents, KeysPressedWithAltAreNotRecorded) {
    Replay menu = replay("at 100 syskeydown Return\nat +40 syskeyup Return\nat 300 keydown Escape\n");
    EXPECT_EQ(menu.count("sound pic/spdup.wav"), 0);
    Replay play = replay(startGame + "at 300 syskeydown Left\nat +40 syskeyup Left\n"
                                     "at 600 keydown Escape\nat +40 keyup Escape\nat 1000 keydown Escape\n");
    EXPECT_EQ(play.count("sound pic/move.wav", play.find("take syskey down Left"), play.find("take key down Escape")),
              0);
}

TEST(WindowEvents, FailedStartEndsWithStatusOneAndNoLoop) {
    Replay r = replay("fail createContext\nat 100 keydown Escape\n");
    EXPECT_EQ(r.find("box \"ERROR\" \"Can't Create A GL Rendering Context.\""), r.find("box"));
    EXPECT_GE(r.find("box"), 0);
    EXPECT_EQ(r.count("timer"), 0);
    EXPECT_EQ(r.count("present"), 0);
    EXPECT_EQ(r.exitCode, 1);
}

TEST(WindowEvents, FullScreenRefusedAsksAndRunsWindowedOrEnds) {
    Replay yes = replay("fail coverDesktop\nanswer yes\nat 100 keydown Escape\n");
    EXPECT_GE(yes.find("window 800x600 windowed"), 0);
    EXPECT_EQ(yes.exitCode, 0);
    Replay no = replay("fail coverDesktop\nanswer no\nat 100 keydown Escape\n");
    EXPECT_GE(no.find("box \"ERROR\" \"Program Will Now Close.\""), 0);
    EXPECT_EQ(no.count("window 800x600"), 0);
    EXPECT_EQ(no.exitCode, 1);
}

}  // namespace
