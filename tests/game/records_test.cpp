// The saved game and the score table read back as hostile text: whole records taken, anything else refused.
#include <gtest/gtest.h>

#include <cstring>

#include "game/records.h"
#include "game/rules.h"

namespace {

// A game some way in, its falling column at (5, 6) in the well.
void dealGame() {
    resetGame();
    for (int x = 0; x < boardColumns; ++x)
        for (int y = 12; y < boardRows; ++y) board[x][y] = {0, 0, static_cast<int16_t>((x + 2 * y) % 6)};
    currentColumn[0] = {0, 0, 1};
    currentColumn[1] = {0, 0, 5};
    currentColumn[2] = {0, 0, 3};
    nextColumn[0] = nextColumn[1] = nextColumn[2] = {0, 0, magicColor};
    columnX = 5;
    columnY = 6;
    placeColumn();
    score = 123;
    colorCount = 6;
    colorStep = 2;
    levelStep = 2;
    backgroundIndex = 2;
}

TEST(SavedGame, WrittenAndReadBackGivesTheSameRulesState) {
    dealGame();
    const std::string text = writeSavedGame();
    Board before;
    std::memcpy(before, board, sizeof board);
    resetGame();
    std::string why;
    ASSERT_EQ(readSavedGame(text, &why), recordParsed) << why;
    EXPECT_EQ(std::memcmp(before, board, sizeof board), 0);
    EXPECT_EQ(writeSavedGame(), text);
    EXPECT_EQ(columnX, 5);
    EXPECT_EQ(columnY, 6);
    EXPECT_EQ(nextColumn[1].color, magicColor);
    // Edited on Windows: CR LF line ends read the same.
    std::string crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    ASSERT_EQ(readSavedGame(crlf, &why), recordParsed) << why;
}

TEST(SavedGame, EveryDamagedOrOutOfRangeRecordIsRefusedAndLeavesTheStateAlone) {
    dealGame();
    const std::string good = writeSavedGame();
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string t = good;
        const size_t at = t.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return t.replace(at, from.size(), to);
    };
    const std::string bad[] = {
        "",
        "garbage\n",
        good.substr(0, good.size() / 2),             // truncated inside the well
        good.substr(0, good.find("well")),           // no well
        replaced("brinvale game 1", "brinvale scores 1"),
        replaced("colours 6", "colours 11"),         // no picture for an eleventh colour
        replaced("colours 6", "colours 2"),          // a gem above the count
        replaced("background 2", "background 0"),
        replaced("colour-step 2", "colour-step 3"),
        replaced("column 5 6", "column 8 6"),
        replaced("column 5 6", "column 4 6"),        // the falling column is not there
        replaced("score 123", "score -1"),
        replaced("score 123", "score 99999999999"),
        replaced("score 123", "score 12 3"),
        replaced("falling 3 5 1", "falling 3 M 1"),  // half magic
        replaced("next M M M", "next 7 0 0"),        // a colour not dealt yet
        replaced("score 123\n", "score 123\nscore 124\n"),
        replaced("score 123\n", "score 123\nspeed 9\n"),
        good + "extra\n",
        replaced("\n........\n", "\n.......\n"),
    };
    for (const std::string& text : bad) {
        SCOPED_TRACE(text);
        dealGame();
        std::string why;
        EXPECT_EQ(readSavedGame(text, &why), recordBad);
        EXPECT_FALSE(why.empty());
        EXPECT_EQ(writeSavedGame(), good);
    }
    std::string why;
    EXPECT_EQ(readSavedGame(replaced("brinvale game 1", "brinvale game 2"), &why), recordNewer);
    EXPECT_EQ(writeSavedGame(), good);
}

TEST(ScoreTable, KeepsTheTenBestInOrderAndReadsBackWhatItWrote) {
    ScoreTable table{};
    for (int32_t s : {50, 300, 120, 300, 10, 70, 80, 90, 100, 110, 5})
        enterScore(&table, s, "2026-12-09");
    ASSERT_EQ(table.count, bestScoreCount);
    EXPECT_EQ(bestScoreOf(table), 300);
    EXPECT_EQ(table.entries[bestScoreCount - 1].score, 10);
    // Not among the best any more; an equal score goes after the one already there.
    EXPECT_EQ(enterScore(&table, 1, "2026-12-09"), -1);
    EXPECT_EQ(enterScore(&table, 120, "2026-12-10"), 3);
    EXPECT_STREQ(table.entries[3].date, "2026-12-10");

    ScoreTable back{};
    std::string why;
    ASSERT_EQ(readScoreTable(writeScoreTable(table), &back, &why), recordParsed) << why;
    EXPECT_EQ(writeScoreTable(back), writeScoreTable(table));
}

TEST(ScoreTable, RefusesWhatIsNotAWholeTable) {
    std::string eleven = "brinvale scores 1\n";
    for (int i = 0; i < 11; ++i) eleven += "5 2026-01-01\n";
    const std::string bad[] = {"", "brinvale scores\n", "brinvale scores 1\n12\n", "brinvale scores 1\n12 2026-02-30\n",
                               "brinvale scores 1\n-4 2026-01-01\n", "brinvale scores 1\n1000000000 2026-01-01\n",
                               eleven};
    for (const std::string& text : bad) {
        SCOPED_TRACE(text);
        ScoreTable table{};
        table.count = 3;
        std::string why;
        EXPECT_EQ(readScoreTable(text, &table, &why), recordBad);
        EXPECT_EQ(table.count, 0);
    }
    ScoreTable table{};
    std::string why;
    EXPECT_EQ(readScoreTable("brinvale scores 3\n", &table, &why), recordNewer);
    // A table put in by hand in any order is read sorted.
    ASSERT_EQ(readScoreTable("brinvale scores 1\n7 2026-01-01\n\n90 2025-05-05\n", &table, &why), recordParsed);
    EXPECT_EQ(table.entries[0].score, 90);
}

}  // namespace
