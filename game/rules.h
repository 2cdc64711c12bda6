// The rules of the well: board, falling and preview columns, moves, landing, match resolution.
#pragma once

#include <cstdint>

// One square of the well; always copied whole.
struct Cell {
    uint8_t empty;   // 1 = no gem
    uint8_t marked;  // 1 = gem scheduled for removal
    int16_t color;   // 0..9 ordinary, magicColor for a magic gem
};

constexpr int boardColumns = 8;
constexpr int boardRows = 16;
constexpr int16_t magicColor = 10;
constexpr int32_t startColumn = 3;  // where every falling column enters, at row 0

// Column-major so that the 16 cells of one column lie together: board[x][y].
typedef Cell Board[boardColumns][boardRows];
// Element 0 is the bottom gem, element 2 the top gem.
typedef Cell GemColumn[3];

extern const Cell emptyCell;

extern Board board;
extern GemColumn currentColumn;  // the falling column
extern GemColumn nextColumn;     // the preview
extern int32_t columnX;          // board column of the falling column, 0..7
extern int32_t columnY;          // board row of its bottom gem, 0..15
extern int32_t score;            // gems removed by lines
extern int32_t colorCount;       // ordinary colours dealt, 5..10
extern int32_t colorStep;        // factor of the next colour threshold
extern int32_t levelStep;        // factor of the next magic-column threshold
extern int32_t backgroundIndex;  // 1-based background picture, 1..5
extern bool gameOver;            // owned by the loop; set and cleared by landColumn

// Presentation of a resolution, installed by the program; the rules only need their board effect.
struct RulesHooks {
    void (*removalSpin)();   // animate the marked gems; must end with removeMarkedGems()
    void (*showCollapse)();  // after gems fell: redraw, present, fall sound (waiting)
    void (*levelUp)();       // level step: level-up sound (waiting)
};

// Installs the presentation hooks; null restores the defaults (board effect only). Called at start-up.
void setRulesHooks(const RulesHooks* hooks);

// Draws one colour below the current colorCount: (rand() % 32768) % colorCount.
int16_t drawColor();

// Empties every board square; deals fresh colours into both columns. Start-up and resetGame.
void resetBoard();
// Writes the on-board gems of currentColumn at (columnX, columnY), unchecked. Play start, moves, deals.
void placeColumn();
// Moves the falling column one column right (left); returns true when it moved. Arrow keys.
bool shiftRight();
bool shiftLeft();
// Cycles the falling column's gems one place down, the bottom gem to the top. Ctrl key.
void rotateColumn();
// Moves the falling column one row down; returns true when it moved. Gravity and Down key.
bool stepDown();
// Decides what a landing means: sets or clears gameOver, runs the magic purge. After a failed stepDown.
void landColumn();
// Resolves the board, promotes the preview to a new falling column at (3, 0). After landColumn.
void dealNextColumn();
// Restores every rules variable to its start value and deals a new board. Escape back to the menu.
void resetGame();

// Marks every line of three or more, spins, collapses, chains; runs the colour and level checks.
// Returns 1 when this call found a line. Called by dealNextColumn and collapseBoard.
int resolveMatches();
// Drops gems into the gaps below them, shows the fall when anything moved, then resolves again.
void collapseBoard();
// Marks every gem of one colour (the magic purge); scores nothing. Called by landColumn.
void markColor(int color);
// The board effect of the removal spin: every marked cell becomes empty and unmarked, colour kept.
void removeMarkedGems();
