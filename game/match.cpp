// Match resolution: lines, removal, collapse, chains, and the colour and level progression.
#include "game/rules.h"

static void noPresentation() {}

static const RulesHooks defaultHooks = {removeMarkedGems, noPresentation, noPresentation};
static RulesHooks hooks = defaultHooks;

void setRulesHooks(const RulesHooks* h) { hooks = h ? *h : defaultHooks; }

void removeMarkedGems() {
    for (int x = 0; x < boardColumns; ++x)
        for (int y = 0; y < boardRows; ++y)
            if (board[x][y].marked) {
                board[x][y].empty = 1;
                board[x][y].marked = 0;
            }
}

// Marks the three cells of a line (anchor first); each gem scores once, however many lines hold it.
static void markLine(int x0, int y0, int dx, int dy) {
    for (int i = 0; i < 3; ++i) {
        Cell& c = board[x0 + i * dx][y0 + i * dy];
        if (!c.marked) {
            c.marked = 1;
            ++score;
        }
    }
}

static bool lineMatches(int x, int y, int dx, int dy) {
    const Cell& a = board[x][y];
    const Cell& b = board[x + dx][y + dy];
    const Cell& c = board[x + 2 * dx][y + 2 * dy];
    return !b.empty && !c.empty && b.color == a.color && c.color == a.color;
}

int resolveMatches() {
    bool found = false;
    // Each line of three is tested once, at its lowest cell (a horizontal one at its rightmost).
    static const int directions[4][2] = {{0, -1}, {-1, 0}, {-1, -1}, {1, -1}};
    for (int x = 0; x < boardColumns; ++x) {
        for (int y = 0; y < boardRows; ++y) {
            if (board[x][y].empty) continue;
            for (const auto& d : directions) {
                int ex = x + 2 * d[0], ey = y + 2 * d[1];
                if (ex < 0 || ex >= boardColumns || ey < 0) continue;
                if (lineMatches(x, y, d[0], d[1])) {
                    markLine(x, y, d[0], d[1]);
                    found = true;
                }
            }
        }
    }
    if (found) {
        hooks.removalSpin();
        collapseBoard();
    }
    // One step each per call, after the nested calls of a chain have returned.
    if (score >= int64_t{colorStep} * 100) {
        colorStep += colorStep;
        if (++colorCount == 11) colorCount = 10;
    }
    if (score >= int64_t{levelStep} * 100) {
        for (int k = 0; k < 3; ++k) nextColumn[k].color = magicColor;
        ++levelStep;
        hooks.levelUp();
        if (++backgroundIndex == 6) backgroundIndex = 1;
    }
    return found ? 1 : 0;
}

void collapseBoard() {
    bool moved = false;
    for (int x = 0; x < boardColumns; ++x) {
        int gap = 0;
        for (int y = boardRows - 1; y >= 0; --y) {
            if (board[x][y].empty) {
                ++gap;
            } else if (gap > 0) {
                board[x][y + gap] = board[x][y];
                board[x][y] = emptyCell;
                moved = true;
            }
        }
    }
    if (moved) hooks.showCollapse();
    resolveMatches();
}

void markColor(int color) {
    for (int x = 0; x < boardColumns; ++x)
        for (int y = 0; y < boardRows; ++y)
            if (board[x][y].color == color && !board[x][y].empty) board[x][y].marked = 1;
}
