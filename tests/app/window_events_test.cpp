// Window events: looking away in play and in the menu, Alt keys, and a failed start.
#include <gtest/gtest.h>

#include "harness.h"

namespace {

const std::string startGame = "at 100 keydown Return\nat +40 keyup Return\n";

// Looking away in play, by the focus going elsewhere or by minimising, pauses the game as P does;
// coming back leaves it paused until P.
TEST(WindowEvents, LookingAwayInPlayPausesUntilPEvenAfterComingBack) {
    for (const char* away : {"blur", "minimise"}) {
        SCOPED_TRACE(away);
        Replay r = replay(startGame + "trace ticks\nat 1500 " + away +
                          "\nat 4000 restore\nat 6000 keydown P\nat +40 keyup P\n"
                          "at 8500 keydown Escape\nat +40 keyup Escape\nat 9000 keydown Escape\n")
                       .without("tick 1");
        const int gone = r.find(std::string("take ") + away), back = r.find("take restore");
        const int p = r.find("take key down P");
        ASSERT_GT(back, gone);
        ASSERT_GT(p, back);
        // Gravity stepped before, and is stopped at once: no tick and no step until P.
        EXPECT_GT(r.count("sound pic/move.wav", 0, gone), 0);
        EXPECT_EQ(r.lines[gone + 1].text, "timer kill 2");
        EXPECT_EQ(r.count("tick 2", gone, p), 0);
        EXPECT_EQ(r.count("sound", gone, p), 0);
        // The paused view is on screen when the player is back: drawn again for the restored window.
        EXPECT_EQ(r.texts(back + 1, 1), std::vector<std::string>{"present paused"});
        EXPECT_EQ(r.count("present play", gone, p), 0);
        // P plays on with a full gravity interval.
        EXPECT_EQ(r.lines[p + 1].text, "timer set 2 1000");
        const int step = r.find("tick 2", p);
        ASSERT_GT(step, p);
        EXPECT_GE(r.lines[step].time, r.lines[p].time + 1000);
        EXPECT_GT(r.count("sound pic/move.wav", step), 0);
    }
}

// In the menu the focus comes and goes without effect, and the game started afterwards runs.
TEST(WindowEvents, LookingAwayInTheMenuChangesNothing) {
    Replay r = replay("trace ticks\nat 300 blur\nat 800 restore\nat 1000 keydown Return\nat +40 keyup Return\n"
                      "at 3500 keydown Escape\nat +40 keyup Escape\nat 4000 keydown Escape\n");
    const int gone = r.find("take blur"), start = r.find("sound pic/spdup.wav");
    ASSERT_GT(start, gone);
    EXPECT_EQ(r.count("timer", gone, start), 0);
    EXPECT_EQ(r.count("present paused"), 0);
    EXPECT_GE(r.count("tick 2", start), 2);
    EXPECT_GE(r.count("sound pic/move.wav background", start), 2);
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
