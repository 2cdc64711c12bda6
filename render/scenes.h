// The scenes, drawn into the back buffer from the global state; each returns 1.
#pragma once

#include <cstdint>

// Where the scenes place things, for the animations that draw them moving: the depth of the board,
// the centres of the two menu buttons, and a board column and row's cell centre in world units.
constexpr float boardDepth = -40.0f;
constexpr float newGameY = 1.5f;
constexpr float quitY = -1.5f;
float cellX(int column);
float cellY(int row);

// The loop's state the scenes show: 256 held-key flags by virtual-key code (a held key's indicator
// comes nearer), the menu's selection (1: the new-game button is the nearer, 0: quit), the best
// score kept (shown when above 0) and whether a finished game beat it; null shows neither.
struct SceneState {
    const int32_t* keyDown;
    const int32_t* menuNewSelected;
    const int32_t* bestScore = nullptr;
    const int32_t* newBest = nullptr;
};
// Points the scenes at the state they show, read anew at every frame. Called by the loop before
// its first frame, and by tools and tests with states of their own; until then no key is held and
// new game is selected.
void setSceneState(const SceneState& state);

// Clears, then the two menu buttons, the selected one nearer, the best score below them, and the
// sound-off sign.
int drawMenu();
// Clears, then the background, the unmarked board gems, the preview, the score, the best score, the
// key indicators and the sound-off sign.
int drawPlayScene();
// The play scene with no key held and the paused sign over it, which names the key that plays on (P,
// or the touch control when the player last used touch).
int drawPausedScene();
// The sound-off sign while the sound is off, in a corner no scene uses. Drawn by every scene, and
// by the menu slide over its buttons.
int drawSoundSign();
// The five score digits with leading zeros. Called by drawPlayScene.
int drawScore();
// The play scene with the quit button's picture in front of it, and the new-best banner above it
// when the game beat the best score.
int drawGameOver();
// The menu button drawn at a point of a width x height viewport (pixels from its top left), placed
// as drawMenu places them: 0 new game, 1 quit, -1 neither. Called by a backend's tap in the menu.
int menuButtonAt(float x, float y, int width, int height);
// The size in pixels of one board cell in a width x height viewport. Called by a backend's swipes.
float boardCellPixels(int width, int height);
