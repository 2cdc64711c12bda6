// The player's settings (the sound on or off) as the store's settings record keeps them.
#pragma once

#include <string>

#include "game/records.h"

struct Settings {
    bool soundOn;
};


// The record's text: its kind and format version on the first line, then one "name value" a line.
std::string formatSettings(const Settings& settings);
// Reads a settings record, trusting nothing in it. recordParsed fills *out (a setting the text
// leaves out keeps the value *out had); recordBad and recordNewer leave *out alone and say why in
// *why, for the user. No side effects. Called at start-up and by the records' fuzz target.
RecordParse parseSettings(const std::string& text, Settings* out, std::string* why);

// Reads the settings record and applies it (the sound); a record it cannot use is set aside. Called
// by the loop at start-up, before the first sound.
void loadSettings();
// Turns the sound off or on and keeps the choice in the settings record. Called by the loop on M.
void toggleSound();
