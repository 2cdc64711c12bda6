// The game's pictures: backgrounds, gems, digits, menu buttons, key indicators and signs.
#pragma once

#include <string>

// Writes the BMP files under their table names into directory `dir`; false when one fails.
bool writePictures(const std::string& dir);
