// The board, the two columns, their moves and the meaning of a landing.
#include <cstdlib>

#include "game/rules.h"

const Cell emptyCell = {1, 0, 0};

Board board;
GemColumn currentColumn;
GemColumn nextColumn;
int32_t columnX = startColumn;
int32_t columnY = 0;
int32_t score = 0;
int32_t colorCount = 5;
int32_t colorStep = 1;
int32_t levelStep = 1;
int32_t backgroundIndex = 1;
bool gameOver = false;

int16_t drawColor() {
    // Every draw lies in 0..32767 whatever the C library's RAND_MAX, so a seed deals the same gems
    // as on a 15-bit generator's range.
    return static_cast<int16_t>((std::rand() % 32768) % colorCount);
}

void resetBoard() {
    for (int x = 0; x < boardColumns; ++x)
        for (int y = 0; y < boardRows; ++y) board[x][y] = emptyCell;
    for (int k = 0; k < 3; ++k) {
        currentColumn[k] = {0, 0, drawColor()};
        nextColumn[k] = {0, 0, drawColor()};
    }
}

void placeColumn() {
    board[columnX][columnY] = currentColumn[0];
    if (columnY > 0) board[columnX][columnY - 1] = currentColumn[1];
    if (columnY > 1) board[columnX][columnY - 2] = currentColumn[2];
}

// Empties the on-board squares of the column standing with its bottom gem at (x, y).
static void clearColumnAt(int x, int y) {
    board[x][y] = emptyCell;
    if (y > 0) board[x][y - 1] = emptyCell;
    if (y > 1) board[x][y - 2] = emptyCell;
}

// Only the square beside the bottom gem is tested: settled gems rest on the floor or on other
// gems, so the squares beside the middle and top gems are free whenever that one is.
static bool shiftBy(int dx) {
    int target = columnX + dx;
    if (target < 0 || target >= boardColumns || !board[target][columnY].empty) return false;
    clearColumnAt(columnX, columnY);
    columnX = target;
    placeColumn();
    return true;
}

bool shiftRight() { return shiftBy(1); }
bool shiftLeft() { return shiftBy(-1); }

void rotateColumn() {
    Cell bottom = currentColumn[0];
    currentColumn[0] = currentColumn[1];
    currentColumn[1] = currentColumn[2];
    currentColumn[2] = bottom;
    placeColumn();
}

bool stepDown() {
    if (columnY >= boardRows - 1 || !board[columnX][columnY + 1].empty) return false;
    clearColumnAt(columnX, columnY);
    ++columnY;
    placeColumn();
    return true;
}

void landColumn() {
    if (columnY < 2) gameOver = true;
    if (currentColumn[0].color == magicColor) {
        gameOver = false;
        if (columnY != boardRows - 1) {
            markColor(board[columnX][columnY + 1].color);
            collapseBoard();
        }
    }
}

void dealNextColumn() {
    resolveMatches();
    for (int k = 0; k < 3; ++k) currentColumn[k] = nextColumn[k];
    for (int k = 0; k < 3; ++k) nextColumn[k].color = drawColor();
    columnX = startColumn;
    columnY = 0;
    placeColumn();
}

void resetGame() {
    colorCount = 5;
    score = 0;
    backgroundIndex = 1;
    colorStep = 1;
    levelStep = 1;
    resetBoard();
    columnX = startColumn;
    columnY = 0;
}
