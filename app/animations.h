// The two blocking animations, each with its own message pump paced by a 15 ms timer.
#pragma once

// Slides the menu buttons toward the new selection in 10 steps; false when a quit message was
// taken. Called by the menu pass after it flipped menuNewSelected.
bool playMenuSlide();
// Spins every marked gem through 360 degrees in 36 steps, then empties their cells; returns 1.
// Called by match resolution through the rules' hooks.
int playRemovalSpin();
