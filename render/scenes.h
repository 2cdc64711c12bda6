// The three scenes, drawn into the back buffer from the global state; each returns 1.
#pragma once

// Clears, then the two menu buttons, the selected one nearer.
int drawMenu();
// Clears, then the background, the unmarked board gems, the preview, the score, the key indicators.
int drawPlayScene();
// The five score digits with leading zeros. Called by drawPlayScene.
int drawScore();
// The play scene with the quit button's picture in front of it.
int drawGameOver();
// The menu button drawn at a point of a width x height viewport (pixels from its top left), placed
// as drawMenu places them: 0 new game, 1 quit, -1 neither. Called by a backend's tap in the menu.
int menuButtonAt(float x, float y, int width, int height);
// The size in pixels of one board cell in a width x height viewport. Called by a backend's swipes.
float boardCellPixels(int width, int height);
