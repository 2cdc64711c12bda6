// The game in progress and the best scores as records of text, written out and read back as hostile input.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What reading a record made of it.
enum RecordParse {
    recordParsed = 0,  // whole and in range: taken
    recordBad = 1,     // garbage, truncated or out of range: *why says what
    recordNewer = 2,   // written by a newer version of the game: left as it is
};

// The reason word a record that was not taken is set aside under ("bad", "newer").
const char* parseReason(RecordParse result);

// The record's lines without their ends (LF, or CR LF from an editor on Windows). Used by every
// record's reader.
std::vector<std::string> recordLines(const std::string& text);
// The words of a line, split at blanks and tabs.
std::vector<std::string> recordWords(const std::string& line);
// Checks that the first line is "KIND VERSION" with a version from 1 to version; a higher one is
// recordNewer, anything else recordBad, each with *why.
RecordParse readRecordHeader(const std::vector<std::string>& lines, const char* kind, int version, std::string* why);

// The rules' state as a saved game: the well, both columns, the column's place, the score, the
// colour count, both progression steps and the background. Called by the loop whenever it saves.
std::string writeSavedGame();
// Reads a saved game into the rules' state when every line is whole and every value in range and
// consistent (the falling column stands in the well where its place says); otherwise the state is
// left untouched. Called by the loop at start-up.
RecordParse readSavedGame(const std::string& text, std::string* why);

constexpr int bestScoreCount = 10;
// The highest score a table takes, far beyond any game's: anything above is damage.
constexpr int32_t highestScore = 999999999;

struct ScoreEntry {
    int32_t score;
    char date[11];  // YYYY-MM-DD, local
};
// The best scores, best first; among equal scores the earlier entry first.
struct ScoreTable {
    int count;  // 0..bestScoreCount
    ScoreEntry entries[bestScoreCount];
};

// The table as its record. Called whenever a score is entered.
std::string writeScoreTable(const ScoreTable& table);
// Reads a score table; on anything but recordParsed *table is empty. Called at start-up and before
// every merge.
RecordParse readScoreTable(const std::string& text, ScoreTable* table, std::string* why);
// Enters a score of a date (YYYY-MM-DD) where it belongs; returns its place (0 the best) or -1 when
// it is not among the best. Called when a game ends or is abandoned.
int enterScore(ScoreTable* table, int32_t score, const char* date);
// The best score kept, 0 for an empty table. Read by the scenes.
int32_t bestScoreOf(const ScoreTable& table);
