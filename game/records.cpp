// Saved games and score tables written as text, and read back with every value checked.
#include "game/records.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "game/rules.h"

namespace {

const char gameKind[] = "brinvale game";
const char scoresKind[] = "brinvale scores";
constexpr int formatVersion = 1;

// A record is a few hundred bytes; anything far longer is not one of ours.
constexpr size_t longestRecord = 16384;

// Plain decimal digits only, no sign, no spaces, within [low, high].
bool readNumber(const std::string& word, int64_t low, int64_t high, int64_t* value) {
    if (word.empty() || word.size() > 10) return false;
    int64_t v = 0;
    for (char c : word) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v < low || v > high) return false;
    *value = v;
    return true;
}

char cellChar(const Cell& cell) {
    if (cell.empty) return '.';
    if (cell.color == magicColor) return 'M';
    return static_cast<char>('0' + cell.color);
}

// A gem's letter, checked against the colours dealt so far; -1 when it is not one.
int gemColor(char c, int64_t colors) {
    if (c == 'M') return magicColor;
    if (c >= '0' && c <= '9' && c - '0' < colors) return c - '0';
    return -1;
}

struct SavedRules {
    Board well;
    GemColumn falling, next;
    int64_t x, y, score, colors, colorStep, levelStep, background;
};

// A column is dealt whole from the ordinary colours, or is magic in all three gems.
bool readColumn(const std::vector<std::string>& words, int64_t colors, GemColumn column) {
    if (words.size() != 4) return false;
    // Written top gem first, as the well shows it; element 0 is the bottom gem.
    for (int k = 0; k < 3; ++k) {
        const std::string& w = words[3 - k];
        const int color = w.size() == 1 ? gemColor(w[0], colors) : -1;
        if (color < 0) return false;
        column[k] = {0, 0, static_cast<int16_t>(color)};
    }
    const bool magic = column[0].color == magicColor;
    for (int k = 0; k < 3; ++k)
        if ((column[k].color == magicColor) != magic) return false;
    return true;
}

std::string columnText(const GemColumn column) {
    std::string text;
    for (int k = 2; k >= 0; --k) {
        text += ' ';
        text += cellChar(column[k]);
    }
    return text;
}

bool isPowerOfTwo(int64_t v) { return v > 0 && (v & (v - 1)) == 0; }

RecordParse parseSavedGame(const std::string& text, SavedRules* s, std::string* why) {
    if (text.size() > longestRecord) {
        *why = "longer than any saved game";
        return recordBad;
    }
    const std::vector<std::string> lines = recordLines(text);
    const RecordParse header = readRecordHeader(lines, gameKind, formatVersion, why);
    if (header != recordParsed) return header;

    // The numbers first: the columns and the well are checked against the colour count.
    struct Field {
        const char* name;
        int64_t low, high;
        int64_t* value;
        bool seen;
    } fields[] = {
        {"score", 0, highestScore, &s->score, false},
        {"colours", 5, 10, &s->colors, false},
        {"colour-step", 1, int64_t{1} << 30, &s->colorStep, false},
        {"level-step", 1, highestScore / 100 + 2, &s->levelStep, false},
        {"background", 1, 5, &s->background, false},
    };
    bool placeSeen = false, fallingSeen = false, nextSeen = false;
    std::vector<std::string> fallingWords, nextWords;
    size_t i = 1;
    for (; i < lines.size(); ++i) {
        const std::vector<std::string> words = recordWords(lines[i]);
        if (words.empty()) continue;
        const std::string& key = words[0];
        if (key == "well") break;
        bool known = false;
        for (Field& f : fields) {
            if (key != f.name) continue;
            known = true;
            if (f.seen || words.size() != 2 || !readNumber(words[1], f.low, f.high, f.value)) {
                *why = "line " + std::to_string(i + 1) + ": " + f.name + " must be one number from " +
                       std::to_string(f.low) + " to " + std::to_string(f.high) + ", given once";
                return recordBad;
            }
            f.seen = true;
        }
        if (key == "column") {
            known = true;
            if (placeSeen || words.size() != 3 || !readNumber(words[1], 0, boardColumns - 1, &s->x) ||
                !readNumber(words[2], 0, boardRows - 1, &s->y)) {
                *why = "line " + std::to_string(i + 1) + ": column must be a well column 0..7 and row 0..15";
                return recordBad;
            }
            placeSeen = true;
        } else if (key == "falling" || key == "next") {
            known = true;
            bool& seen = key == "falling" ? fallingSeen : nextSeen;
            if (seen) {
                *why = "line " + std::to_string(i + 1) + ": " + key + " given twice";
                return recordBad;
            }
            seen = true;
            (key == "falling" ? fallingWords : nextWords) = words;
        }
        if (!known) {
            *why = "line " + std::to_string(i + 1) + ": unknown \"" + key.substr(0, 32) + "\"";
            return recordBad;
        }
    }
    for (const Field& f : fields)
        if (!f.seen) {
            *why = std::string("no ") + f.name + " line";
            return recordBad;
        }
    if (!placeSeen || !fallingSeen || !nextSeen) {
        *why = !placeSeen ? "no column line" : !fallingSeen ? "no falling line" : "no next line";
        return recordBad;
    }
    if (!isPowerOfTwo(s->colorStep)) {
        *why = "colour-step must be a power of two";
        return recordBad;
    }
    if (!readColumn(fallingWords, s->colors, s->falling) || !readColumn(nextWords, s->colors, s->next)) {
        *why = "a column must be three gems of the colours dealt (0 to colours - 1) or three M";
        return recordBad;
    }
    if (i == lines.size()) {
        *why = "no well";
        return recordBad;
    }
    // The well: 16 rows of 8 cells, the top row first.
    for (int y = 0; y < boardRows; ++y) {
        const size_t n = i + 1 + y;
        if (n >= lines.size() || lines[n].size() != size_t(boardColumns)) {
            *why = "the well must have 16 rows of 8 cells (row " + std::to_string(y) + ")";
            return recordBad;
        }
        for (int x = 0; x < boardColumns; ++x) {
            const char c = lines[n][x];
            if (c == '.') {
                s->well[x][y] = emptyCell;
                continue;
            }
            const int color = gemColor(c, s->colors);
            if (color < 0) {
                *why = "row " + std::to_string(y) + " holds '" + std::string(1, c) + "', not a gem of the colours dealt";
                return recordBad;
            }
            s->well[x][y] = {0, 0, static_cast<int16_t>(color)};
        }
    }
    for (size_t n = i + 1 + boardRows; n < lines.size(); ++n)
        if (!recordWords(lines[n]).empty()) {
            *why = "text after the well";
            return recordBad;
        }
    // The falling column lives in the well: its gems on the board must be where its place says.
    for (int k = 0; k < 3 && s->y - k >= 0; ++k) {
        const Cell& cell = s->well[s->x][s->y - k];
        if (cell.empty || cell.color != s->falling[k].color) {
            *why = "the falling column is not in the well at its place";
            return recordBad;
        }
    }
    return recordParsed;
}

bool validDate(const char* d) {
    static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (std::strlen(d) != 10 || d[4] != '-' || d[7] != '-') return false;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (d[i] < '0' || d[i] > '9') return false;
    const int month = (d[5] - '0') * 10 + (d[6] - '0'), day = (d[8] - '0') * 10 + (d[9] - '0');
    return month >= 1 && month <= 12 && day >= 1 && day <= days[month - 1];
}

}  // namespace

const char* parseReason(RecordParse result) { return result == recordNewer ? "newer" : "bad"; }

std::vector<std::string> recordLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        // Records edited on Windows come back with CR LF.
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> recordWords(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

RecordParse readRecordHeader(const std::vector<std::string>& lines, const char* kind, int version, std::string* why) {
    const std::vector<std::string> words = lines.empty() ? std::vector<std::string>() : recordWords(lines[0]);
    const std::vector<std::string> expected = recordWords(kind);
    const std::string wanted = std::string("first line is not \"") + kind + " " + std::to_string(version) + "\"";
    if (words.size() != expected.size() + 1 || !std::equal(expected.begin(), expected.end(), words.begin())) {
        *why = wanted;
        return recordBad;
    }
    const std::string& given = words.back();
    int64_t number = 0;
    // Digits alone; more than fit can only be a version far ahead.
    const bool digits = !given.empty() && given.find_first_not_of("0123456789") == std::string::npos;
    if (!digits || (given.size() <= 9 && readNumber(given, 0, 999999999, &number) && number == 0)) {
        *why = wanted;
        return recordBad;
    }
    if (given.size() > 9 || number > version) {
        *why = "format version " + given.substr(0, 24) + " is newer than this game's " + std::to_string(version);
        return recordNewer;
    }
    return recordParsed;
}



std::string writeSavedGame() {
    std::string text = std::string(gameKind) + " " + std::to_string(formatVersion) + "\n";
    text += "score " + std::to_string(score) + "\n";
    text += "colours " + std::to_string(colorCount) + "\n";
    text += "colour-step " + std::to_string(colorStep) + "\n";
    text += "level-step " + std::to_string(levelStep) + "\n";
    text += "background " + std::to_string(backgroundIndex) + "\n";
    text += "column " + std::to_string(columnX) + " " + std::to_string(columnY) + "\n";
    text += "falling" + columnText(currentColumn) + "\n";
    text += "next" + columnText(nextColumn) + "\n";
    text += "well\n";
    for (int y = 0; y < boardRows; ++y) {
        for (int x = 0; x < boardColumns; ++x) text += cellChar(board[x][y]);
        text += '\n';
    }
    return text;
}

RecordParse readSavedGame(const std::string& text, std::string* why) {
    SavedRules s{};
    const RecordParse result = parseSavedGame(text, &s, why);
    if (result != recordParsed) return result;
    std::memcpy(board, s.well, sizeof board);
    std::memcpy(currentColumn, s.falling, sizeof currentColumn);
    std::memcpy(nextColumn, s.next, sizeof nextColumn);
    columnX = static_cast<int32_t>(s.x);
    columnY = static_cast<int32_t>(s.y);
    score = static_cast<int32_t>(s.score);
    colorCount = static_cast<int32_t>(s.colors);
    colorStep = static_cast<int32_t>(s.colorStep);
    levelStep = static_cast<int32_t>(s.levelStep);
    backgroundIndex = static_cast<int32_t>(s.background);
    gameOver = false;
    return recordParsed;
}

std::string writeScoreTable(const ScoreTable& table) {
    std::string text = std::string(scoresKind) + " " + std::to_string(formatVersion) + "\n";
    for (int i = 0; i < table.count; ++i)
        text += std::to_string(table.entries[i].score) + " " + table.entries[i].date + "\n";
    return text;
}

RecordParse readScoreTable(const std::string& text, ScoreTable* table, std::string* why) {
    table->count = 0;
    if (text.size() > longestRecord) {
        *why = "longer than any score table";
        return recordBad;
    }
    const std::vector<std::string> lines = recordLines(text);
    const RecordParse header = readRecordHeader(lines, scoresKind, formatVersion, why);
    if (header != recordParsed) return header;
    ScoreTable read{};
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> words = recordWords(lines[i]);
        if (words.empty()) continue;
        int64_t value = 0;
        if (words.size() != 2 || !readNumber(words[0], 0, highestScore, &value) || !validDate(words[1].c_str())) {
            *why = "line " + std::to_string(i + 1) + " is not a score and a date (YYYY-MM-DD)";
            return recordBad;
        }
        if (read.count == bestScoreCount) {
            *why = "more than " + std::to_string(bestScoreCount) + " scores";
            return recordBad;
        }
        // Entered in order, so a table edited by hand is sorted as the game would have kept it.
        enterScore(&read, static_cast<int32_t>(value), words[1].c_str());
    }
    *table = read;
    return recordParsed;
}

int enterScore(ScoreTable* table, int32_t value, const char* date) {
    int place = 0;
    while (place < table->count && table->entries[place].score >= value) ++place;
    if (place >= bestScoreCount) return -1;
    const int last = table->count < bestScoreCount ? table->count : bestScoreCount - 1;
    for (int i = last; i > place; --i) table->entries[i] = table->entries[i - 1];
    ScoreEntry& e = table->entries[place];
    e.score = value;
    std::snprintf(e.date, sizeof e.date, "%s", validDate(date) ? date : "1970-01-01");
    if (table->count < bestScoreCount) ++table->count;
    return place;
}

int32_t bestScoreOf(const ScoreTable& table) { return table.count > 0 ? table.entries[0].score : 0; }
