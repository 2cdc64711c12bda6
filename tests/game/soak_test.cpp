// Thousands of seeded random games through the rules, with invariants checked after every landing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "game/rules.h"

namespace {

int removedBySpins = 0;  // every gem any spin removed
int unscoredPending = 0; // marks set by a purge (or left over) that no spin has removed yet
int unscoredRemoved = 0;

void countingSpin() {
    int marked = 0;
    for (auto& column : board)
        for (Cell& c : column) marked += c.marked;
    removedBySpins += marked;
    unscoredRemoved += unscoredPending;  // a spin removes every marked gem, purged ones too
    unscoredPending = 0;
    removeMarkedGems();
}
void nothing() {}

bool onFallingColumn(int x, int y) {
    return x == columnX && y <= columnY && y >= columnY - 2;
}

// Lines of three unmarked gems of one colour outside the falling column.
int unmarkedLines() {
    static const int dirs[4][2] = {{0, 1}, {1, 0}, {1, 1}, {1, -1}};
    int lines = 0;
    for (int x = 0; x < boardColumns; ++x)
        for (int y = 0; y < boardRows; ++y)
            for (const auto& d : dirs) {
                int ex = x + 2 * d[0], ey = y + 2 * d[1];
                if (ex >= boardColumns || ey < 0 || ey >= boardRows) continue;
                bool line = true;
                for (int i = 0; i < 3; ++i) {
                    const Cell& c = board[x + i * d[0]][y + i * d[1]];
                    line = line && !c.empty && !c.marked && c.color == board[x][y].color &&
                           !onFallingColumn(x + i * d[0], y + i * d[1]);
                }
                lines += line;
            }
    return lines;
}

int floatingGems() {
    int floating = 0;
    for (int x = 0; x < boardColumns; ++x)
        for (int y = 0; y + 1 < boardRows; ++y)
            if (!board[x][y].empty && board[x][y + 1].empty && !onFallingColumn(x, y)) ++floating;
    return floating;
}

// Counts the gems a magic landing is about to purge: they will be removed without scoring.
void notePurge() {
    if (currentColumn[0].color != magicColor || columnY == boardRows - 1) return;
    int k = board[columnX][columnY + 1].color;
    for (auto& column : board)
        for (Cell& c : column)
            if (!c.empty && !c.marked && c.color == k) ++unscoredPending;
}

TEST(RulesSoak, RandomGamesKeepEveryInvariant) {
    static const RulesHooks hooks = {countingSpin, nothing, nothing};
    setRulesHooks(&hooks);
    std::mt19937 moves(20261208);
    int landings = 0, games = 0, magicLandings = 0;
    for (unsigned seed = 0; seed < 10000; ++seed) {
        std::srand(seed);
        gameOver = false;
        resetGame();
        removedBySpins = unscoredPending = unscoredRemoved = 0;
        // A few games start late, with more colours and a nearer level step.
        if (seed % 5 == 0) {
            score = static_cast<int32_t>(moves() % 3000);
            removedBySpins = score;
        }
        placeColumn();
        ++games;
        for (int action = 0; action < 4000 && !gameOver; ++action) {
            switch (moves() % 8) {
            case 0: shiftLeft(); break;
            case 1: shiftRight(); break;
            case 2: rotateColumn(); break;
            default:
                if (stepDown()) break;
                notePurge();
                magicLandings += currentColumn[0].color == magicColor;
                landColumn();
                if (gameOver) break;
                dealNextColumn();
                ++landings;
                ASSERT_EQ(0, floatingGems()) << "seed " << seed;
                ASSERT_EQ(0, unmarkedLines()) << "seed " << seed;
                ASSERT_EQ(score, removedBySpins - unscoredRemoved) << "seed " << seed;
                for (int k = 0; k < 3; ++k) {
                    ASSERT_GE(nextColumn[k].color, 0);
                    ASSERT_LT(nextColumn[k].color, colorCount) << "seed " << seed;
                }
                ASSERT_GE(colorCount, 5);
                ASSERT_LE(colorCount, 10);
                ASSERT_GE(backgroundIndex, 1);
                ASSERT_LE(backgroundIndex, 5);
                ASSERT_EQ(0, colorStep & (colorStep - 1)) << "colorStep stays a power of two";
                ASSERT_EQ(3, columnX);
                ASSERT_EQ(0, columnY);
            }
            ASSERT_GE(columnX, 0);
            ASSERT_LE(columnX, 7);
            ASSERT_GE(columnY, 0);
            ASSERT_LE(columnY, 15);
        }
    }
    setRulesHooks(nullptr);
    // The random play must reach the interesting parts of the rules, or the invariants prove little.
    EXPECT_GT(landings, 200000);
    EXPECT_GT(magicLandings, 400);
    EXPECT_EQ(10000, games);
}

}  // namespace
