// The playing frame: key latches and the 300 ms repeat, refused shifts, Down, pause and gravity.
#include <gtest/gtest.h>

#include "harness.h"

namespace {

// Starts a game: Return is taken at 112 ms, gravity is set at 128 ms (first tick due at 1128 ms).
const std::string startGame = "at 100 keydown Return\nat +40 keyup Return\n";
// Back to the menu and quit from there.
std::string thenQuit(int at) {
    return "at " + std::to_string(at) + " keydown Escape\nat +40 keyup Escape\nat +400 keydown Escape\n";
}

// Times of the shifts that moved the column: their sound is followed by the repeat timer's restart.
std::vector<uint64_t> shiftTimes(const Replay& r, int from, int to) {
    std::vector<uint64_t> times;
    for (int i = from; i + 2 < to; ++i)
        if (r.lines[i].text == "sound pic/move.wav background" && r.lines[i + 1].text == "timer kill 1" &&
            r.lines[i + 2].text == "timer set 1 300")
            times.push_back(r.lines[i].time);
    return times;
}

TEST(Play, HeldShiftActsAtOnceThenEvery300msUntilTheWallRefuses) {
    Replay r = replay(startGame + "at 300 keydown Right\nat 2900 keyup Right\n" + thenQuit(3000));
    int down = r.find("take key down Right");
    int up = r.find("take key up Right");
    std::vector<uint64_t> shifts = shiftTimes(r, down, up);
    // From column 3 to the wall at column 7: four moves, the first on the first pass.
    ASSERT_EQ(shifts.size(), 4u);
    EXPECT_LE(shifts[0] - r.lines[down].time, 16u);
    for (size_t i = 1; i < shifts.size(); ++i) {
        EXPECT_GE(shifts[i] - shifts[i - 1], 300u);
        EXPECT_LT(shifts[i] - shifts[i - 1], 300u + 2 * 16u);
    }
    // The refused retries that follow leave the repeat timer alone.
    int lastShift = r.find("timer set 1 300", r.find("take key down Right"));
    for (int k = 0; k < 3; ++k) lastShift = r.find("timer set 1 300", lastShift + 1);
    EXPECT_EQ(r.count("timer", lastShift + 1, up), 0);
}

TEST(Play, ARefusedShiftStillLatchesButPlaysNoSound) {
    // Three moves to the left wall, then refusals: no sound, no timer restart.
    Replay r = replay(startGame + "at 300 keydown Left\nat 2000 keyup Left\n" + thenQuit(2100));
    int down = r.find("take key down Left");
    int up = r.find("take key up Left");
    EXPECT_EQ(shiftTimes(r, down, up).size(), 3u);
    EXPECT_EQ(r.count("timer set 1 300", down, up), 3);
}

TEST(Play, RightAndLeftTogetherMoveRightThenBackInOnePass) {
    Replay r = replay(startGame + "at 300 keydown Right\nat 300 keydown Left\nat 340 keyup Right\nat 340 keyup Left\n" +
                      thenQuit(600));
    int pass = r.find("present play", r.find("take key down Left"));
    EXPECT_EQ(r.texts(pass + 1, 6),
              (std::vector<std::string>{"sound pic/move.wav background", "timer kill 1", "timer set 1 300",
                                        "sound pic/move.wav background", "timer kill 1", "timer set 1 300"}));
}

TEST(Play, ReleasedKeyActsAgainAtOnceOnItsNextPress) {
    Replay r = replay(startGame + "at 300 keydown Right\nat 340 keyup Right\nat 400 keydown Right\nat 440 keyup Right\n" +
                      thenQuit(600));
    std::vector<uint64_t> shifts = shiftTimes(r, r.find("take key down Right"), r.find("take key down Escape"));
    ASSERT_EQ(shifts.size(), 2u);
    // The second press does not wait for a repeat tick: the release cleared the latch.
    EXPECT_LT(shifts[1] - shifts[0], 300u);
}

TEST(Play, DownStepsAndRestartsTheGravityInterval) {
    Replay r = replay(startGame + "trace ticks\nat 1000 keydown Down\nat +40 keyup Down\n" + thenQuit(2500))
                   .without("tick 1");
    int down = r.find("take key down Down");
    EXPECT_EQ(r.texts(down + 1, 7),
              (std::vector<std::string>{"present play", "timer kill 2", "timer set 2 1000", "timer kill 1",
                                        "sound pic/move.wav background", "timer set 1 300", "present play"}));
    // The tick that was due at 1128 ms never comes; the next one is a full second after the Down.
    int tick = r.find("tick 2", down);
    ASSERT_GT(tick, down);
    EXPECT_GE(r.lines[tick].time, r.lines[down + 2].time + 1000);
}

TEST(Play, PauseInTheSamePassAsAFallTickStillTakesThatStep) {
    // Play starts at 100 ms, so gravity's first tick falls at 1100 ms, with P.
    Replay r = replay(startGame + "trace ticks\nat 1100 keydown P\nat +40 keyup P\n" + thenQuit(1500))
                   .without("tick 1");
    int p = r.find("take key down P");
    EXPECT_EQ(r.texts(p + 1, 3),
              (std::vector<std::string>{"tick 2", "timer kill 2", "sound pic/move.wav background"}));
}

TEST(Play, PausedPlayDrawsItsViewOnceAndResumesWithAFullGravityInterval) {
    Replay r = replay(startGame + "trace ticks\nat 500 keydown P\nat +40 keyup P\nat 3000 keydown P\nat +40 keyup P\n" +
                      thenQuit(5000));
    // The repeat timer keeps running while paused.
    EXPECT_GT(r.count("tick 1", r.find("take key down P"), r.find("take key down P", r.find("take key down P") + 1)),
              0);
    r = r.without("tick 1");
    int pause = r.find("take key down P");
    int resume = r.find("take key down P", pause + 1);
    ASSERT_GT(resume, pause);
    EXPECT_EQ(r.lines[pause + 1].text, "timer kill 2");
    EXPECT_EQ(r.count("present", pause + 1, resume), 1);
    EXPECT_EQ(r.lines[pause + 2].text, "present paused");
    EXPECT_EQ(r.count("tick 2", pause, resume), 0);
    EXPECT_EQ(r.lines[resume + 1].text, "timer set 2 1000");
    EXPECT_GT(r.count("present play", resume), 0);
    int gravity = r.find("tick 2", resume);
    EXPECT_GE(r.lines[gravity].time, r.lines[resume].time + 1000);
}

TEST(Play, EscapeFromPauseReturnsToTheMenuAndTheNextGameIsNotPaused) {
    Replay r = replay(startGame + "at 500 keydown P\nat +40 keyup P\nat 800 keydown Escape\nat +40 keyup Escape\n"
                                  "at 1200 keydown Return\nat +40 keyup Return\n" +
                      thenQuit(2600));
    int esc = r.find("take key down Escape");
    EXPECT_EQ(r.texts(esc + 1, 5), (std::vector<std::string>{"timer kill 2", "timer kill 1",
                                                             "sound pic/graw.wav background", "timer set 1 250",
                                                             "present menu"}));
    // Gravity steps the new game's column: it is not paused.
    int again = r.find("sound pic/spdup.wav", esc);
    EXPECT_GT(r.count("sound pic/move.wav background", again, r.find("take key down Escape", again)), 0);
}

TEST(Play, APassPresentsOnlyWhenThePictureChanges) {
    Replay r = replay("at 3000 keydown Return\nat +40 keyup Return\nat 5500 keydown Left\nat 6300 keyup Left\n"
                      "at 7000 keydown P\nat +40 keyup P\nat 7500 size 1024 768\nat 8500 keydown P\nat +40 keyup P\n" +
                      thenQuit(9000));
    const int start = r.find("take key down Return"), settled = r.find("take key up Return");
    const int left = r.find("take key down Left"), let = r.find("take key up Left");
    const int pause = r.find("take key down P"), resume = r.find("take key down P", pause + 1);
    ASSERT_GT(resume, pause);
    // Three seconds of a still menu: its one frame.
    EXPECT_EQ(r.count("present", 0, start), 1);
    // Gravity alone, at 4000 and 5000 ms: a frame a step.
    EXPECT_EQ(r.count("present", settled, left), 2);
    EXPECT_EQ(r.count("sound pic/move.wav", settled, left), 2);
    // Left held: the key's own frame, then one for every shift and gravity step while it repeats.
    EXPECT_EQ(r.count("present", left, let), r.count("sound pic/move.wav", left, let) + 1);
    EXPECT_GE(r.count("sound pic/move.wav", left, let), 3);
    // Paused, the board stands still: its view once, and once more for the size message.
    EXPECT_EQ(r.count("present", pause, resume), 2);
    EXPECT_EQ(r.count("present paused", pause, resume), 2);
    EXPECT_GT(r.find("present paused", r.find("take size 1024 768")), 0);
}

TEST(Play, EscapeIsConsumedSoTheMenuDoesNotQuitOnItsNextPass) {
    // Escape held across the return: the menu keeps running until a new Escape key-down.
    Replay r = replay(startGame + "at 500 keydown Escape\nat 1500 keyup Escape\nat 1700 keydown Escape\n");
    int back = r.find("sound pic/graw.wav background");
    int quit = r.find("sound pic/graw.wav wait");
    ASSERT_GT(quit, back);
    EXPECT_GE(r.lines[quit].time, 1700u);
}

}  // namespace
