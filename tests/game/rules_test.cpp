// Rules of the well: what the scenario scripts cannot see (draw order, bounds, hook order, nesting).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "game/rules.h"

namespace {

std::vector<std::string> events;

void recordSpin() {
    int marked = 0;
    for (auto& column : board)
        for (Cell& c : column) marked += c.marked;
    events.push_back("spin " + std::to_string(marked));
    removeMarkedGems();
}
void recordFall() { events.push_back("fall"); }
void recordUp() { events.push_back("up"); }

class Rules : public ::testing::Test {
protected:
    void SetUp() override {
        static const RulesHooks hooks = {recordSpin, recordFall, recordUp};
        setRulesHooks(&hooks);
        events.clear();
        std::srand(1);
        gameOver = false;
        resetGame();
    }
    void TearDown() override { setRulesHooks(nullptr); }

    // Puts gem colours into the board: rows listed top row first, each 8 chars, '.' empty.
    static void setRows(int firstRow, const std::vector<const char*>& rows) {
        for (size_t i = 0; i < rows.size(); ++i)
            for (int x = 0; x < boardColumns; ++x) {
                char ch = rows[i][x];
                board[x][firstRow + i] = ch == '.' ? emptyCell : Cell{0, 0, static_cast<int16_t>(ch == 'M' ? 10 : ch - '0')};
            }
    }
    static void setColumn(GemColumn& column, int bottom, int middle, int top) {
        column[0] = {0, 0, static_cast<int16_t>(bottom)};
        column[1] = {0, 0, static_cast<int16_t>(middle)};
        column[2] = {0, 0, static_cast<int16_t>(top)};
    }
    // Drops the falling column from (x, 0) and lands it as the main loop does.
    static void dropAt(int x) {
        columnX = x;
        columnY = 0;
        placeColumn();
        while (stepDown()) {
        }
        landColumn();
        if (!gameOver) dealNextColumn();
    }
};

TEST_F(Rules, DrawsComeInTheFixedOrderReducedFromFifteenBits) {
    std::srand(42);
    std::vector<int> expected;
    for (int i = 0; i < 6; ++i) expected.push_back((std::rand() % 32768) % 5);
    std::srand(42);
    resetBoard();
    EXPECT_EQ(expected, (std::vector<int>{currentColumn[0].color, nextColumn[0].color, currentColumn[1].color,
                                          nextColumn[1].color, currentColumn[2].color, nextColumn[2].color}));
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(0, currentColumn[k].empty);
        EXPECT_EQ(0, nextColumn[k].marked);
    }
    // A deal draws the preview bottom first, with colorCount as it stands after resolution.
    colorCount = 9;
    std::srand(7);
    std::vector<int> dealt;
    for (int i = 0; i < 3; ++i) dealt.push_back((std::rand() % 32768) % 9);
    std::srand(7);
    dealNextColumn();
    EXPECT_EQ(dealt, (std::vector<int>{nextColumn[0].color, nextColumn[1].color, nextColumn[2].color}));
}

TEST_F(Rules, BoundsAreTestedBeforeAnySquareOutsideTheColumnIsRead) {
    // The square after row 15 of column 2 is row 0 of column 3 in memory: it must never count as free.
    columnX = 2;
    columnY = 15;
    placeColumn();
    EXPECT_FALSE(stepDown());
    EXPECT_EQ(15, columnY);
    columnX = 7;
    columnY = 5;
    placeColumn();
    EXPECT_FALSE(shiftRight());
    columnX = 0;
    placeColumn();
    EXPECT_FALSE(shiftLeft());
    EXPECT_EQ(0, columnX);
}

TEST_F(Rules, ColumnEntersTheWellOneGemAtATime) {
    setColumn(currentColumn, 1, 2, 3);
    placeColumn();
    EXPECT_EQ(1, board[3][0].color);
    ASSERT_TRUE(stepDown());
    EXPECT_EQ(2, board[3][0].color);
    EXPECT_EQ(1, board[3][1].color);
    ASSERT_TRUE(stepDown());
    ASSERT_TRUE(stepDown());
    // From row 3 on, the squares it left behind are empty again.
    EXPECT_TRUE(board[3][0].empty);
    EXPECT_EQ(3, board[3][1].color);
    EXPECT_EQ(1, board[3][3].color);
}

TEST_F(Rules, CollapseShowsOnlyWhenSomethingFellAndAlwaysRescans) {
    setRows(13, {"2.......", "1.......", "111....."});
    setColumn(currentColumn, 4, 3, 4);
    setColumn(nextColumn, 0, 0, 0);
    dropAt(7);
    // The spin comes before the collapse's redraw; the 2 and the 1 each fall one row.
    EXPECT_EQ((std::vector<std::string>{"spin 3", "fall"}), events);
    EXPECT_EQ(1, board[0][15].color);
    EXPECT_EQ(2, board[0][14].color);
    EXPECT_TRUE(board[0][13].empty);
    EXPECT_EQ(3, score);
    // A landing with nothing to remove shows nothing, yet still runs the checks.
    events.clear();
    score = 100;
    setColumn(currentColumn, 4, 3, 4);
    dropAt(5);
    EXPECT_EQ((std::vector<std::string>{"up"}), events);
}

TEST_F(Rules, EveryCallOfAChainRunsTheChecksOnceInnermostFirst) {
    // Two removal passes from a score far past several thresholds: three check runs, three steps each.
    score = 1000;
    setRows(12, {"........", ".1......", "212.....", "343....."});
    setColumn(currentColumn, 1, 2, 0);
    setColumn(nextColumn, 0, 0, 0);
    dropAt(1);
    EXPECT_EQ((std::vector<std::string>{"spin 3", "fall", "spin 3", "fall", "up", "up", "up"}), events);
    EXPECT_EQ(1006, score);
    EXPECT_EQ(8, colorCount);
    EXPECT_EQ(8, colorStep);
    EXPECT_EQ(4, levelStep);
    EXPECT_EQ(4, backgroundIndex);
    // The magic column made by the checks falls next.
    EXPECT_EQ(magicColor, currentColumn[0].color);
    EXPECT_EQ(magicColor, currentColumn[2].color);
}

TEST_F(Rules, DefaultHooksKeepOnlyTheBoardEffectOfTheSpin) {
    setRulesHooks(nullptr);
    setRows(15, {"111....."});
    setColumn(currentColumn, 2, 3, 4);
    dropAt(7);
    EXPECT_EQ(3, score);
    for (int x = 0; x < 3; ++x) {
        EXPECT_TRUE(board[x][15].empty);
        EXPECT_EQ(0, board[x][15].marked);
        EXPECT_EQ(1, board[x][15].color) << "a removed gem keeps its colour";
    }
}

TEST_F(Rules, MagicPurgeMarksOnlyOccupiedCellsOfTheColour) {
    // An empty square with a stale colour must not be marked.
    board[5][15] = {1, 0, 2};
    setRows(14, {"2.......", "2......."});
    markColor(2);
    EXPECT_EQ(1, board[0][14].marked);
    EXPECT_EQ(1, board[0][15].marked);
    EXPECT_EQ(0, board[5][15].marked);
    EXPECT_EQ(0, score);
}

TEST_F(Rules, ResetGameRestoresEveryStartValueAndDrawsWithFiveColours) {
    score = 5000;
    colorCount = 10;
    colorStep = 64;
    levelStep = 51;
    backgroundIndex = 3;
    columnX = 6;
    columnY = 9;
    board[2][2] = {0, 1, 4};
    resetGame();
    EXPECT_EQ(0, score);
    EXPECT_EQ(5, colorCount);
    EXPECT_EQ(1, colorStep);
    EXPECT_EQ(1, levelStep);
    EXPECT_EQ(1, backgroundIndex);
    EXPECT_EQ(3, columnX);
    EXPECT_EQ(0, columnY);
    EXPECT_TRUE(board[2][2].empty);
    EXPECT_TRUE(board[3][0].empty) << "the new column is written only when play starts";
    for (int k = 0; k < 3; ++k) EXPECT_LT(currentColumn[k].color, 5);
}

}  // namespace
