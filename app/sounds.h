// The four sounds' files, named once for the loop and the animations.
#pragma once

constexpr const char* moveSound = "pic/move.wav";    // a menu toggle, a shift, a step down
constexpr const char* startSound = "pic/spdup.wav";  // play starts, a removal spin starts
constexpr const char* quitSound = "pic/graw.wav";    // gems fell, back to the menu, quitting
constexpr const char* levelSound = "pic/up.wav";     // a level step
