// The menu, the play scene with its score and key indicators, and the end-of-play view.
#include "render/scenes.h"

#include <GL/gl.h>

#include "assets/textures.h"
#include "game/rules.h"
#include "platform/platform.h"
#include "render/primitives.h"
#include "render/renderer.h"

float cellX(int column) { return 2.0f * static_cast<float>(column) - 19.0f; }
float cellY(int row) { return 15.0f - 2.0f * static_cast<float>(row); }

namespace {
const int32_t noKeyHeld[256] = {};
const int32_t newGameSelected = 1;
SceneState shown = {noKeyHeld, &newGameSelected};

bool newGameNearer() { return *shown.menuNewSelected == 1; }

const float nearButtonDepth = -7.0f;  // the selected menu button
const float farButtonDepth = -9.0f;
const float heldKeyDepth = -20.0f;
const float idleKeyDepth = -25.0f;
const float scoreDepth = -20.0f;
const float panelDepth = -10.0f;
// The best score: a label and five digits in a row, below the menu's buttons, and in play between
// the key indicators and the score, smaller than the score.
const float menuBestDepth = -40.0f;
const float menuBestY = -15.3f;
const float menuBestX = -5.0f;
const float playBestDepth = -25.0f;
const float playBestY = -4.25f;
const float playBestX = 1.25f;
const float newBestY = 2.4f;
// The signs stand right of the preview and above the key indicators, where no scene draws: the
// paused sign over the right half's upper part, the sound-off sign in the top right corner.
const float pausedSignX = 4.5f, pausedSignY = 3.5f, pausedSignDepth = -15.0f;
const float soundSignX = 14.5f, soundSignY = 10.5f, soundSignDepth = -30.0f;

// Five places show at most this; higher scores stay on it rather than need a digit above 9.
const int32_t largestShownScore = 99999;

struct KeyIndicator {
    int key;
    int texture;  // index into keyTextures
    float heldX;
    float idleX;
};
// Drawn in this order; a held tile comes nearer and moves inward so it stays about in place.
const KeyIndicator keyIndicators[4] = {
    {vkControl, 3, 1.0f, 1.0f},
    {vkLeft, 0, 3.0f, 4.0f},
    {vkDown, 2, 5.0f, 7.0f},
    {vkRight, 1, 7.0f, 10.0f},
};

void clearFrame() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); }

// Five digit tiles with leading zeros from x on, 2 units apart.
void drawNumber(int32_t value, float x, float y, float z) {
    static const int32_t placeValues[4] = {10000, 1000, 100, 10};
    int32_t r = value > largestShownScore ? largestShownScore : value < 0 ? 0 : value;
    for (int32_t p : placeValues) {
        int32_t digit = 0;
        if (r >= p) {
            digit = r / p;
            r -= digit * p;
        }
        drawTile(x, y, z, digitTextures[digit]);
        x += 2.0f;
    }
    drawTile(x, y, z, digitTextures[r >= 1 ? r : 0]);
}

void drawBest(float x, float y, float z) {
    if (!shown.bestScore || *shown.bestScore <= 0) return;
    drawTile(x, y, z, recordTextures[0]);
    drawNumber(*shown.bestScore, x + 2.0f, y, z);
}
}  // namespace

void setSceneState(const SceneState& state) { shown = state; }

int drawMenu() {
    clearFrame();
    drawButton(0.0f, newGameY, newGameNearer() ? nearButtonDepth : farButtonDepth, menuTextures[0]);
    drawButton(0.0f, quitY, newGameNearer() ? farButtonDepth : nearButtonDepth, menuTextures[1]);
    drawBest(menuBestX, menuBestY, menuBestDepth);
    drawSoundSign();
    return 1;
}

int drawSoundSign() {
    if (!soundOn()) drawTile(soundSignX, soundSignY, soundSignDepth, signTextures[2]);
    return 1;
}

int menuButtonAt(float x, float y, int width, int height) {
    const float places[2][2] = {{newGameY, newGameNearer() ? nearButtonDepth : farButtonDepth},
                                {quitY, newGameNearer() ? farButtonDepth : nearButtonDepth}};
    for (int button = 0; button < 2; ++button) {
        float left, top, right, bottom;
        projectPoint(-buttonHalfWidth, places[button][0] + buttonHalfHeight, places[button][1], width, height,
                     &left, &top);
        projectPoint(buttonHalfWidth, places[button][0] - buttonHalfHeight, places[button][1], width, height,
                     &right, &bottom);
        if (x >= left && x <= right && y >= top && y <= bottom) return button;
    }
    return -1;
}

float boardCellPixels(int width, int height) {
    float left, top, right, bottom;
    projectPoint(cellX(0) - 1.0f, cellY(0) + 1.0f, boardDepth, width, height, &left, &top);
    projectPoint(cellX(0) + 1.0f, cellY(0) - 1.0f, boardDepth, width, height, &right, &bottom);
    return bottom - top;
}

namespace {
// The play scene with the key indicators of keys (256 flags by virtual-key code).
void drawPlayFrame(const int32_t* keys) {
    clearFrame();
    drawBackground();
    for (int column = 0; column < boardColumns; ++column) {
        for (int row = 0; row < boardRows; ++row) {
            const Cell& cell = board[column][row];
            // Marked gems are drawn turning by the removal spin, not here.
            if (cell.empty || cell.marked) continue;
            drawGem(cellX(column), cellY(row), boardDepth, 0.0f, gemTextures[cell.color]);
        }
    }
    // The preview stands right of the board, top gem level with row 0.
    for (int element = 2; element >= 0; --element)
        drawGem(-2.0f, cellY(2 - element), boardDepth, 0.0f, gemTextures[nextColumn[element].color]);
    drawScore();
    drawBest(playBestX, playBestY, playBestDepth);
    for (const KeyIndicator& k : keyIndicators) {
        const bool held = keys[k.key] != 0;
        drawTile(held ? k.heldX : k.idleX, 0.0f, held ? heldKeyDepth : idleKeyDepth, keyTextures[k.texture]);
    }
    drawSoundSign();
}
}  // namespace

int drawPlayScene() {
    drawPlayFrame(shown.keyDown);
    return 1;
}

int drawPausedScene() {
    // Keys do nothing while paused: none shows held.
    drawPlayFrame(noKeyHeld);
    drawButton(pausedSignX, pausedSignY, pausedSignDepth, signTextures[touchInput() ? 1 : 0]);
    return 1;
}

int drawScore() {
    drawNumber(score, 1.0f, -6.0f, scoreDepth);
    return 1;
}

int drawGameOver() {
    drawPlayScene();
    drawButton(0.0f, 0.0f, panelDepth, menuTextures[1]);
    if (shown.newBest && *shown.newBest) drawButton(0.0f, newBestY, panelDepth, recordTextures[1]);
    return 1;
}
