// The menu pass: toggling with its slide, starting a game, quitting, and the exit status.
#include <gtest/gtest.h>

#include "harness.h"

namespace {

std::vector<std::string> slideFrames(bool towardNewGame) {
    const char* const toNew[10] = {"-8.8 quit=-7.2", "-8.6 quit=-7.4", "-8.4 quit=-7.6", "-8.2 quit=-7.8",
                                   "-8.0 quit=-8.0", "-7.8 quit=-8.2", "-7.6 quit=-8.4", "-7.4 quit=-8.6",
                                   "-7.2 quit=-8.8", "-7.0 quit=-9.0"};
    const char* const toQuit[10] = {"-7.2 quit=-8.8", "-7.4 quit=-8.6", "-7.6 quit=-8.4", "-7.8 quit=-8.2",
                                    "-8.0 quit=-8.0", "-8.2 quit=-7.8", "-8.4 quit=-7.6", "-8.6 quit=-7.4",
                                    "-8.8 quit=-7.2", "-9.0 quit=-7.0"};
    std::vector<std::string> frames;
    for (int i = 0; i < 10; ++i) frames.push_back(std::string("present slide new=") + (towardNewGame ? toNew : toQuit)[i]);
    return frames;
}

// The slide's frames in order, each step once, skipping the messages taken between them.
std::vector<std::string> slideFramesFrom(const Replay& r, int from) {
    std::vector<std::string> frames;
    for (int i = r.find("timer set 1 15", from) + 1; i < static_cast<int>(r.lines.size()) && r.lines[i].text.rfind("timer", 0) != 0; ++i)
        if (r.lines[i].text.rfind("present slide", 0) == 0) frames.push_back(r.lines[i].text);
    return frames;
}

TEST(Menu, FirstArrowActsAtOnceAndSlidesTenStepsThenReArms) {
    Replay r = replay("at 100 keydown Down\nat +40 keyup Down\nat 500 keydown Escape\n");
    int down = r.find("take key down Down");
    ASSERT_GE(down, 0);
    // No repeat tick has come yet (the first is due at 250 ms): the start value of the tick acts.
    EXPECT_LT(r.lines[down].time, 250u);
    EXPECT_EQ(r.texts(down + 1, 3),
              (std::vector<std::string>{"sound pic/move.wav background", "timer kill 1", "timer set 1 15"}));
    EXPECT_EQ(slideFramesFrom(r, down), slideFrames(false));
    int end = r.find("timer", down + 5);
    EXPECT_EQ(r.texts(end, 3), (std::vector<std::string>{"timer kill 1", "timer set 1 250", "present menu"}));
}

TEST(Menu, UpAndDownBothToggleAndSlideBack) {
    Replay r = replay("at 100 keydown Down\nat +40 keyup Down\nat 600 keydown Up\nat +40 keyup Up\n"
                      "at 1000 keydown Escape\n");
    int up = r.find("take key down Up");
    ASSERT_GE(up, 0);
    EXPECT_EQ(slideFramesFrom(r, up), slideFrames(true));
    EXPECT_EQ(r.count("sound pic/move.wav"), 2);
}

TEST(Menu, HeldArrowTogglesOncePerRepeatTickAndOnlyWithANewKeyDown) {
    // Without the keyboard's own repeat a held arrow toggles once: the menu consumes the key.
    Replay held = replay("at 100 keydown Down\nat 1500 keyup Down\nat 1600 keydown Escape\n");
    EXPECT_EQ(held.count("sound pic/move.wav"), 1);

    // With it, the key-downs come every 33 ms but the toggles only with the 250 ms ticks.
    Replay repeating = replay("at 100 keydown Down repeat 33\nat 1500 keyup Down\nat 1600 keydown Escape\n");
    std::vector<uint64_t> toggles;
    for (const TraceLine& line : repeating.lines)
        if (line.text == "sound pic/move.wav background") toggles.push_back(line.time);
    ASSERT_GE(toggles.size(), 3u);
    for (size_t i = 1; i < toggles.size(); ++i) EXPECT_GE(toggles[i] - toggles[i - 1], 250u);
}

TEST(Menu, ReturnSpaceOrCtrlStartsPlayWithItsSoundLightAndGravity) {
    for (const char* key : {"Return", "Space", "Ctrl"}) {
        Replay r = replay(std::string("at 100 keydown ") + key + "\nat +40 keyup " + key +
                          "\nat 600 keydown Escape\nat +40 keyup Escape\nat 1000 keydown Escape\n");
        int start = r.find("sound pic/spdup.wav background");
        ASSERT_GE(start, 0) << key;
        EXPECT_EQ(r.texts(start, 3), (std::vector<std::string>{"sound pic/spdup.wav background", "timer set 2 1000",
                                                               "present play"}))
            << key;
        // The repeat timer keeps the menu's 250 ms: it is not touched when play starts.
        EXPECT_EQ(r.count("timer", r.find("timer set 1 250"), start), 1) << key;
        EXPECT_EQ(r.exitCode, 0) << key;
    }
}

TEST(Menu, CtrlThatStartsAGameDoesNotAlsoRotate) {
    // Ctrl held for a second after starting: a rotation would restart the repeat timer at 300 ms.
    Replay r = replay("at 100 keydown Ctrl\nat 1100 keyup Ctrl\nat 1300 keydown Ctrl\nat +40 keyup Ctrl\n"
                      "at 1600 keydown Escape\nat +40 keyup Escape\nat 2000 keydown Escape\n");
    int start = r.find("sound pic/spdup.wav");
    int again = r.find("take key down Ctrl", start);
    ASSERT_GT(again, start);
    EXPECT_EQ(r.count("timer set 1 300", start, again), 0);
    // A new press in play rotates.
    EXPECT_EQ(r.texts(again + 1, 3), (std::vector<std::string>{"present play", "timer kill 1", "timer set 1 300"}));
}

TEST(Menu, EscapeQuitsAfterTheSoundWithStatusZero) {
    Replay r = replay("at 100 keydown Escape\n");
    int esc = r.find("take key down Escape");
    // Nothing is drawn on the quitting pass; the sound is played to its end before teardown.
    EXPECT_EQ(r.texts(esc + 1, 3),
              (std::vector<std::string>{"sound pic/graw.wav wait", "window destroyed", "exit 0"}));
    EXPECT_EQ(r.lines[esc + 2].time - r.lines[esc + 1].time, 250u);
    EXPECT_EQ(r.exitCode, 0);
}

TEST(Menu, QuitButtonQuitsWithStatusZeroWhateverTheLastMessage) {
    // The last message taken is a Return key-down (code 13): the status is still 0.
    Replay r = replay("at 100 keydown Down\nat +40 keyup Down\nat 600 keydown Return\n");
    int ret = r.find("take key down Return");
    EXPECT_EQ(r.texts(ret + 1, 2), (std::vector<std::string>{"sound pic/graw.wav wait", "window destroyed"}));
    EXPECT_EQ(r.exitCode, 0);
}

TEST(Menu, CloseEndsTheLoopWithoutAnotherPass) {
    Replay r = replay("at 100 close\n");
    int close = r.find("take close");
    EXPECT_EQ(r.texts(close + 1, 4),
              (std::vector<std::string>{"post quit 0", "take quit 0", "window destroyed", "exit 0"}));
}

TEST(Menu, CloseDuringTheSlideEndsItAndTheLoopAfterThePass) {
    Replay r = replay("at 100 keydown Down\nat +40 keyup Down\nat 180 close\n");
    int close = r.find("take close");
    int quit = r.find("take quit 0");
    ASSERT_GT(quit, close);
    // The slide stopped early without killing its timer; the caller re-arms it at 250 ms, then the
    // loop ends without another pass.
    EXPECT_LT(r.count("present slide"), 10);
    EXPECT_EQ(r.texts(quit + 1, 3), (std::vector<std::string>{"timer set 1 250", "window destroyed", "exit 0"}));
    EXPECT_EQ(r.count("timer kill 1", close), 0);
}

TEST(Menu, CloseDuringTheSlideStillLetsReturnActOnThatPass) {
    // Return is already down when the slide is cut short: the rest of the pass still runs.
    Replay r = replay("at 100 keydown Return\nat 100 keydown Down\nat 180 close\n");
    EXPECT_EQ(r.count("sound pic/spdup.wav"), 0);  // the slide moved the selection to quit
    EXPECT_EQ(r.count("sound pic/graw.wav wait"), 1);
    EXPECT_EQ(r.exitCode, 0);
}

}  // namespace
