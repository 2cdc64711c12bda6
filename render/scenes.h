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
