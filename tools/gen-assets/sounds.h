// The game's four sounds: move, spdup, graw and up.
#pragma once

#include <string>

// Writes the four WAV files into directory `dir`; false when one fails.
bool writeSounds(const std::string& dir);
