// What the game keeps between runs: the game in progress and the best scores, through the store.
#pragma once

#include <cstdint>

extern int32_t bestScore;  // the best score kept, 0 when none; shown by the menu and play
extern int32_t newBest;    // 1 while a finished game shows that it beat the best score kept before it

// Reads the best scores and the game in progress, setting aside what cannot be used. Returns 1 when
// a saved game was put into the rules' state (the loop then opens on it, paused). Called once by
// the loop at start-up, before the window.
int restoreKept();
// Remembers the game in progress as it stands, for the leaving hook; writes nothing. Called by the
// loop after every pass of play.
void noteGameInProgress();
// Writes the game in progress to the store unless that text is already there. Called by the loop
// after a landing, on pause, on losing the focus or minimising, and on a quit in play.
void saveGameInProgress();
// Removes the saved game. Called when a game ends or is abandoned.
void forgetGameInProgress();
// Enters a finished or abandoned game's score into the best scores on disk, merged with what other
// games entered meanwhile; returns 1 when it beat the best score kept before. Called by the loop.
int enterFinalScore(int32_t finalScore);
