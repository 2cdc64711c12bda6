// What the loop keeps: a game closed in play comes back paused as it was; finished and abandoned
// games leave no saved game but their score; bad or unwritable records never stop the game.
#include <gtest/gtest.h>

#include <cstring>

#include "app/keeping.h"
#include "game/records.h"
#include "game/rules.h"
#include "harness.h"
#include "platform/scripted/scripted_store.h"

namespace {

const std::string startGame = "at 100 keydown Return\nat +40 keyup Return\n";
// Down held from 300 ms: the first column drops to the floor and the next ones pile up on it.
const std::string dropColumns = "at 300 keydown Down repeat 40\nat 2500 keyup Down\n";

class Keeping : public ::testing::Test {
protected:
    void SetUp() override {
        resetScriptedStore();
        installStore(scriptedStore());
    }
    void TearDown() override {
        installStore(nullptr);
        resetScriptedStore();
    }
    static std::string record(RecordName name) {
        std::string text;
        scriptedRecord(name, &text);
        return text;
    }
};

TEST_F(Keeping, AGameClosedInPlayComesBackPausedWithItsBoardAndPlaysOnAfterP) {
    Replay first = replay(startGame + dropColumns + "at 2700 keydown Left\nat +40 keyup Left\nat 3000 close\n");
    const std::string saved = record(recordGame);
    ASSERT_FALSE(saved.empty());
    // The close is written after the last move, not only the last landing.
    EXPECT_EQ(saved, writeSavedGame());
    EXPECT_NE(saved.find("well\n"), std::string::npos);

    // The restart: the rules start afresh, and the game opens on the saved board, paused.
    Replay second = replay("at 500 keydown P\nat +40 keyup P\nat 700 close\n");
    EXPECT_EQ(second.find("present menu"), -1);
    const int paused = second.find("present paused");
    ASSERT_GE(paused, 0);
    EXPECT_LT(paused, second.find("take key down P"));
    // Nothing falls while it waits; P gives a full gravity interval.
    EXPECT_EQ(second.count("timer set 2", 0, second.find("take key down P")), 0);
    EXPECT_GE(second.find("timer set 2 1000", second.find("take key down P")), 0);
    EXPECT_EQ(record(recordGame), saved);
}

TEST_F(Keeping, AnAbandonedGameEntersItsScoreAndDoesNotComeBack) {
    replay(startGame + dropColumns + "at 2600 keydown Escape\nat +40 keyup Escape\nat 3000 keydown Escape\n", 150);
    std::string text;
    EXPECT_EQ(scriptedRecord(recordGame, &text), 0);
    ScoreTable table{};
    std::string why;
    ASSERT_EQ(readScoreTable(record(recordScores), &table, &why), recordParsed) << why;
    ASSERT_EQ(table.count, 1);
    EXPECT_EQ(table.entries[0].score, 150);

    // A game that ends removes its record too; the next start is the menu.
    Replay next = replay("at 300 keydown Escape\n");
    EXPECT_GE(next.find("present menu"), 0);
}

// A saved game one step from its end: column 3 full up to row 2, the falling column at its top.
std::string lastMoveGame() {
    std::string text = "brinvale game 1\nscore 40\ncolours 5\ncolour-step 1\nlevel-step 1\nbackground 1\n"
                       "column 3 0\nfalling 4 3 2\nnext 1 1 0\nwell\n...2....\n........\n";
    for (int row = 2; row < boardRows; ++row) text += row % 2 ? "...1....\n" : "...0....\n";
    return text;
}

TEST_F(Keeping, AFinishedGameRemovesItsRecordAndEntersItsScoreAsANewBestOnlyWhenItIs) {
    const std::string endIt = "at 300 keydown P\nat +40 keyup P\nat 400 keydown Down\nat +40 keyup Down\n"
                              "at 600 keydown Down\nat +40 keyup Down\nat 1000 close\n";
    for (int best : {0, 100}) {
        SCOPED_TRACE(best);
        resetScriptedStore();
        setScriptedRecord(recordGame, lastMoveGame());
        if (best) setScriptedRecord(recordScores, "brinvale scores 1\n100 2026-01-02\n");
        Replay r = replay(endIt);
        ASSERT_GE(r.find("present gameover"), 0);
        std::string text;
        EXPECT_EQ(scriptedRecord(recordGame, &text), 0);
        EXPECT_NE(record(recordScores).find("\n40 "), std::string::npos);
        EXPECT_EQ(newBest, best ? 0 : 1);
        EXPECT_EQ(bestScore, best ? 100 : 40);
    }
}

TEST_F(Keeping, ARecordThatCannotBeUsedIsSetAsideAndTheGameOpensOnTheMenu) {
    const std::string broken = "brinvale game 1\nscore 12\ncolours 11\n";
    setScriptedRecord(recordGame, broken);
    setScriptedRecord(recordScores, "brinvale scores 7\n900 2030-01-01\n");
    testing::internal::CaptureStderr();
    Replay r = replay("at 300 keydown Escape\n");
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_GE(r.find("present menu"), 0);
    EXPECT_EQ(scriptedSetAside(recordGame), std::vector<std::string>{broken});
    // A newer table is kept for the game that wrote it, and not shown.
    EXPECT_EQ(scriptedSetAside(recordScores).size(), 1u);
    EXPECT_NE(said.find("ignored the game in progress"), std::string::npos) << said;
    EXPECT_NE(said.find("newer"), std::string::npos) << said;
}

TEST_F(Keeping, NowhereToWriteTheGamePlaysOnAndSaysSoOnce) {
    failScriptedWrites("read-only file system");
    testing::internal::CaptureStderr();
    Replay r = replay(startGame + dropColumns + "at 2600 keydown P\nat +40 keyup P\nat 3000 close\n");
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_GE(r.count("present play"), 3);
    size_t first = said.find("cannot save the game in progress: read-only file system");
    ASSERT_NE(first, std::string::npos) << said;
    EXPECT_EQ(said.find("cannot save the game in progress", first + 1), std::string::npos) << said;
}

}  // namespace
