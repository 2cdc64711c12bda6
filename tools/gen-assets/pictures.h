// The game's 32 pictures: backgrounds, gems, digits, menu buttons and key indicators.
#pragma once

#include <string>

// Writes the 32 BMP files under their table names into directory `dir`; false when one fails.
bool writePictures(const std::string& dir);
