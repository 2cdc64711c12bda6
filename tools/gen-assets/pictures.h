// The game's 34 pictures: backgrounds, gems, digits, menu buttons, key indicators and the best score's.
#pragma once

#include <string>

// Writes the 32 BMP files under their table names into directory `dir`; false when one fails.
bool writePictures(const std::string& dir);
