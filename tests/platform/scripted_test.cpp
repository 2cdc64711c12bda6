// The scripted backend itself: its clock, the order it delivers messages in, its script reading and
// its store.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "platform/scripted/scripted.h"
#include "platform/scripted/scripted_store.h"
#include "platform/store.h"

namespace {

void noTick(void*, uint32_t, uintptr_t, uint32_t) {}

class Scripted : public ::testing::Test {
protected:
    void load(const std::string& script) {
        std::string error;
        ASSERT_EQ(loadScript(script, &error), 1) << error;
        installPlatform(scriptedPlatform());
    }
    void TearDown() override { installPlatform(nullptr); }
    // Presents until a message comes; the clock at which it was taken.
    static uint64_t presentUntilMessage() {
        while (!peekMessage()) presentFrame();
        return scriptedNow();
    }
};

TEST_F(Scripted, EachPresentAndWaitedSoundMovesTheClock) {
    load("frame 10\nsound pic/x.wav 123\n");
    presentFrame();
    presentFrame();
    EXPECT_EQ(scriptedNow(), 20u);
    playSound("pic/x.wav", soundBackground);
    EXPECT_EQ(scriptedNow(), 20u);
    playSound("pic/x.wav", soundWait);
    EXPECT_EQ(scriptedNow(), 143u);
}

TEST_F(Scripted, TimersTickOneIntervalAfterTheirLastSet) {
    load("frame 10\n");
    setTimer(1, 25, noTick);
    EXPECT_EQ(presentUntilMessage(), 30u);
    EXPECT_EQ(lastMessage.message, msgTimer);
    setTimer(1, 100, noTick);  // replaces: nothing due before 130
    EXPECT_EQ(presentUntilMessage(), 130u);
    killTimer(1);
    setTimer(2, 50, noTick);
    EXPECT_EQ(presentUntilMessage(), 180u);
    EXPECT_EQ(lastMessage.wParam, 2u);
}

TEST_F(Scripted, InputFirstThenTheQuitThenTicks) {
    load("at 0 keydown Left\n");
    setTimer(1, 1, noTick);
    presentFrame();
    postQuitMessage(0);
    ASSERT_TRUE(peekMessage());
    EXPECT_EQ(lastMessage.message, msgKeyDown);
    EXPECT_EQ(lastMessage.wParam, 37u);
    ASSERT_TRUE(peekMessage());
    EXPECT_EQ(lastMessage.message, msgQuit);
    ASSERT_TRUE(peekMessage());
    EXPECT_EQ(lastMessage.message, msgTimer);
    EXPECT_FALSE(peekMessage());
}

TEST_F(Scripted, AnIdleProgramSkipsToWhatComesNext) {
    load("at 5000 close\n");
    EXPECT_FALSE(peekMessage());
    // A second empty poll with nothing drawn in between: the clock jumps to the close.
    ASSERT_TRUE(peekMessage());
    EXPECT_EQ(lastMessage.message, msgClose);
    EXPECT_EQ(scriptedNow(), 5000u);
}

TEST_F(Scripted, TheLimitEndsARunWithItsOwnQuit) {
    load("limit 100\n");
    EXPECT_FALSE(peekMessage());
    ASSERT_TRUE(peekMessage());
    EXPECT_EQ(lastMessage.message, msgQuit);
    EXPECT_EQ(lastMessage.wParam, 3u);
    EXPECT_NE(scriptedTrace().find("    100 limit reached\n"), std::string::npos);
}

TEST(ScriptReading, MalformedLinesAreRefusedWithTheirNumber) {
    const std::pair<const char*, const char*> bad[] = {
        {"at 10 keydown Nope\n", "line 1: unknown key 'Nope'"},
        {"# c\nat 10 close\nat 5 close\n", "line 3: times must not go back"},
        {"at x close\n", "line 1: bad time 'x'"},
        {"at 10 keydown Up repeat 30\n", "a key held with repeat is never released: Up"},
        {"clock 60\n", "line 1: clock seconds lie in 0..59"},
        {"fail paint\n", "line 1: unknown window step 'paint'"},
        {"at 10 size 640\n", "line 1: bad size"},
        {"warp 9\n", "line 1: unknown command 'warp'"},
        {"record best 1\n", "line 1: record is game, scores or settings"},
    };
    for (const auto& [script, message] : bad) {
        std::string error;
        EXPECT_EQ(loadScript(script, &error), 0) << script;
        EXPECT_EQ(error, message) << script;
    }
    std::string error;
    EXPECT_EQ(loadScriptFile("/no/such/script", &error), 0);
    EXPECT_EQ(error, "cannot read /no/such/script");
}

// What loop tests rely on to "restart" the game: a script's records fill the store, a later script
// keeps what is there, and a failure reaches the seam with its reason.
TEST(ScriptedStore, RecordsOutliveScriptsUntilReset) {
    resetScriptedStore();
    std::string error, text;
    ASSERT_EQ(loadScript("record game  two  spaces\nrecord scores s\nrecord game second\n", &error), 1) << error;
    ASSERT_EQ(scriptedRecord(recordGame, &text), 1);
    EXPECT_EQ(text, " two  spaces\nsecond\n");
    EXPECT_EQ(loadScript("frame 10\n", &error), 1) << error;
    installStore(scriptedStore());
    EXPECT_EQ(readRecord(recordScores, &text), recordFound);
    EXPECT_EQ(text, "s\n");

    failScriptedWrites("No space left on device");
    EXPECT_EQ(replaceRecord(recordScores, "t\n"), 0);
    failScriptedWrites(nullptr);
    EXPECT_EQ(scriptedRecord(recordScores, &text), 1);
    EXPECT_EQ(text, "s\n");
    failScriptedReads("garbled");
    EXPECT_EQ(readRecord(recordScores, &text), recordUnreadable);
    failScriptedReads(nullptr);

    EXPECT_EQ(setRecordAside(recordGame, "newer", "format 9"), 1);
    EXPECT_EQ(scriptedRecord(recordGame, &text), 0);
    EXPECT_EQ(scriptedSetAside(recordGame), std::vector<std::string>{" two  spaces\nsecond\n"});

    resetScriptedStore();
    EXPECT_EQ(readRecord(recordScores, &text), recordMissing);
    installStore(nullptr);
}

}  // namespace
