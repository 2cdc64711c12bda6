// Landings: the removal spin and its pacing, a chain with its fall sound, a level step, game over.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "game/rules.h"
#include "harness.h"

namespace {

// The clock's 18 s deal a column 2 2 3 and then 3 2 3 (bottom gem first). The first goes to the
// left wall and down to the floor; the second, turned twice to 3 3 2, lands on it: a vertical line
// of 3s, then the 2s fall onto the first column's 2s and make a second line (6 points).
const std::string chainGame =
    "clock 18\n"
    "at 100 keydown Return\nat +40 keyup Return\n"
    "at 1200 keydown Left\nat +40 keyup Left\nat +60 keydown Left\nat +40 keyup Left\n"
    "at +60 keydown Left\nat +40 keyup Left\n"
    "at 1600 keydown Down\nat 6450 keyup Down\n"
    "at 6600 keydown Ctrl\nat +40 keyup Ctrl\nat +60 keydown Ctrl\nat +40 keyup Ctrl\n"
    "at +60 keydown Left\nat +40 keyup Left\nat +60 keydown Left\nat +40 keyup Left\n"
    "at +60 keydown Left\nat +40 keyup Left\n"
    "at 7100 keydown Down\nat 11000 keyup Down\n";

// The spin frames from line from on: angle -> frames presented, up to the spin's timer kill.
std::map<int, int> spinFrames(const Replay& r, int from, int* end) {
    std::map<int, int> frames;
    int i = from;
    for (; i < static_cast<int>(r.lines.size()) && r.lines[i].text != "timer kill 2"; ++i) {
        int angle = 0, gems = 0;
        if (std::sscanf(r.lines[i].text.c_str(), "present spin angle=%d gems=%d", &angle, &gems) == 2)
            frames[angle] += r.lines[i].count;
    }
    *end = i;
    return frames;
}

TEST(Landing, ChainSpinsTwiceWithAFallBetweenAndALevelStepAfter) {
    Replay r = replay(chainGame + "at 14000 close\n", 94);
    int landing = r.find("timer set 2 15");
    ASSERT_GE(landing, 0);
    // Landing from Down: gravity stopped before the deal, the spin's 15 ms pace replaces it.
    EXPECT_EQ(r.texts(landing - 4, 6), (std::vector<std::string>{"timer kill 2", "timer set 2 1000", "timer kill 1",
                                                                 "timer kill 2", "timer set 2 15",
                                                                 "sound pic/spdup.wav background"}));

    int firstEnd = 0;
    std::map<int, int> first = spinFrames(r, landing, &firstEnd);
    ASSERT_EQ(first.size(), 36u);
    EXPECT_EQ(first.begin()->first, 10);
    EXPECT_EQ(first.rbegin()->first, 360);
    // The first spin starts with fallTick clear: step 1 stays until the first 15 ms tick.
    EXPECT_GE(first[10], 1);
    for (const auto& [angle, frames] : first)
        if (angle > 10) {
            EXPECT_EQ(frames, 1) << angle;
        }

    EXPECT_EQ(r.texts(firstEnd, 5),
              (std::vector<std::string>{"timer kill 2", "present collapse", "sound pic/graw.wav wait",
                                        "timer set 2 15", "sound pic/spdup.wav background"}));
    // The chain's second spin starts with fallTick set: exactly 36 frames, 10 to 360 degrees.
    int secondEnd = 0;
    std::map<int, int> second = spinFrames(r, firstEnd + 3, &secondEnd);
    ASSERT_EQ(second.size(), 36u);
    for (const auto& [angle, frames] : second) EXPECT_EQ(frames, 1) << angle;
    EXPECT_EQ(r.count("present spin angle=10 gems=3", firstEnd), 1);

    // 100 points: the level step's sound, then the new column's gravity and the Down's repeat timer,
    // and the fallTick the spin left set moves the new column once in the same pass.
    EXPECT_EQ(r.texts(secondEnd, 5),
              (std::vector<std::string>{"timer kill 2", "sound pic/up.wav wait", "timer set 2 1000",
                                        "timer set 1 300", "sound pic/move.wav background"}));
    EXPECT_EQ(r.lines[secondEnd + 2].time - r.lines[secondEnd + 1].time, 700u);
    EXPECT_EQ(score, 100);
    EXPECT_EQ(levelStep, 2);
    EXPECT_EQ(backgroundIndex, 2);
    // The level step made the preview magic, and the deal that followed made it the falling column.
    EXPECT_EQ(currentColumn[0].color, magicColor);
}

TEST(Landing, AfterASpinFromGravityTheNewColumnStepsOnTheNextPass) {
    // The same two columns, but the second is left to gravity: it lands on a fall tick.
    std::string script = chainGame.substr(0, chainGame.find("at 7100 keydown Down"));
    Replay r = replay(script + "at 25000 close\n", 94);
    int up = r.find("sound pic/up.wav wait");
    ASSERT_GE(up, 0);
    // The gravity landing restarts gravity and leaves the repeat timer alone; the tick the spin
    // left behind moves the new column on the very next pass, long before a full second.
    EXPECT_EQ(r.texts(up + 1, 3),
              (std::vector<std::string>{"timer set 2 1000", "present play", "sound pic/move.wav background"}));
    EXPECT_LT(r.lines[up + 3].time - r.lines[up + 1].time, 100u);
}

TEST(Landing, CloseDuringASpinEndsTheProgramOnceTheLandingIsDone) {
    Replay r = replay(chainGame + "at 11100 close\n", 94);
    int close = r.find("take close");
    ASSERT_GE(close, 0);
    EXPECT_EQ(r.lines[close - 1].text.rfind("present spin", 0), 0u);
    // Both spins, the fall and the level step play out in full.
    EXPECT_EQ(r.count("present spin angle=360"), 2);
    EXPECT_EQ(r.count("sound pic/graw.wav wait"), 1);
    EXPECT_EQ(r.count("sound pic/up.wav wait"), 1);
    int up = r.find("sound pic/up.wav wait");
    // Then the loop takes the quit at its next poll: no further pass.
    int quit = r.find("take quit 0", up);
    ASSERT_GT(quit, up);
    EXPECT_EQ(r.texts(quit, 3), (std::vector<std::string>{"take quit 0", "window destroyed", "exit 0"}));
    EXPECT_EQ(r.exitCode, 0);
}

TEST(Landing, GameOverShowsTheEndUntilEscapeWhichLeavesTheRepeatTickSet) {
    // The clock's 0 s deal six columns that stack in column 3 without a line; Down held drops them.
    Replay r = replay("at 100 keydown Return\nat +40 keyup Return\nat 300 keydown Down\nat 20000 keyup Down\n"
                      "at 20100 keydown Left\nat +40 keyup Left\n"
                      "at 21000 keydown Escape\nat +40 keyup Escape\nat 21100 keydown Down\nat +40 keyup Down\n"
                      "at 22000 keydown Escape\n");
    int over = r.find("present gameover");
    ASSERT_GE(over, 0);
    int esc = r.find("take key down Escape", over);
    // Nothing of play happens in a finished game: no sound, no timer, only its frames.
    for (int i = over; i < esc; ++i)
        EXPECT_TRUE(r.lines[i].text == "present gameover" || r.lines[i].text.rfind("take key", 0) == 0)
            << r.lines[i].text;
    EXPECT_EQ(r.texts(esc + 1, 5), (std::vector<std::string>{"timer kill 2", "timer kill 1",
                                                             "sound pic/graw.wav background", "timer set 1 250",
                                                             "present menu"}));
    // Down in the menu within 250 ms of the return toggles at once.
    int toggle = r.find("take key down Down", esc);
    EXPECT_EQ(r.lines[toggle + 1].text, "sound pic/move.wav background");
    EXPECT_LT(r.lines[toggle].time - r.lines[esc].time, 250u);
    EXPECT_FALSE(gameOver);
    EXPECT_EQ(r.exitCode, 0);
}

}  // namespace
