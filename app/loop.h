// The entry function and main loop with its states: menu, playing, paused, play ended.
#pragma once

#include <cstdint>


extern bool quitRequested;
extern bool inMenu;
extern bool paused;
extern int32_t menuNewSelected;  // 1 = new game selected, 0 = quit
extern int32_t rotateLatch, rightLatch, leftLatch, downLatch;

// Seeds, deals, opens the window and runs the loop until quit; returns the exit status.
// Called by main() with whichever backend is installed.
int runGame();
