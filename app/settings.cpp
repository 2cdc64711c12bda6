// The settings record: its format, a parser for text anyone may have edited, and the sound setting.
#include "app/settings.h"

#include <cctype>
#include <cstddef>
#include <vector>

#include "game/records.h"
#include "platform/platform.h"
#include "platform/store.h"

namespace {

const char* const recordKind = "brinvale settings";
constexpr int formatVersion = 1;
// A person's settings file is a few lines; anything much longer is not one.
constexpr size_t longestRecord = 4096;

Settings current = {true};
// False when the record holds what this game could not use and could not move aside: it must then
// not be written over.
bool mayReplace = true;

// A word of the text as a message may quote it: short, and only printable characters.
std::string shown(const std::string& word) {
    std::string out;
    for (char c : word.substr(0, 24)) out += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
    return (word.size() > 24 ? out + "..." : out);
}

RecordParse bad(std::string* why, const std::string& text) {
    *why = text;
    return recordBad;
}

}  // namespace

std::string formatSettings(const Settings& settings) {
    return std::string(recordKind) + " " + std::to_string(formatVersion) + "\nsound " + (settings.soundOn ? "on" : "off") +
           "\n";
}

RecordParse parseSettings(const std::string& text, Settings* out, std::string* why) {
    if (text.size() > longestRecord) return bad(why, "longer than a settings record can be");
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 && c != '\n' && c != '\r' && c != '\t') return bad(why, "not text");
    }
    const std::vector<std::string> lines = recordLines(text);
    const RecordParse header = readRecordHeader(lines, recordKind, formatVersion, why);
    if (header != recordParsed) return header;
    Settings read = *out;
    bool soundSeen = false;
    for (size_t n = 1; n < lines.size(); ++n) {
        const std::vector<std::string> w = recordWords(lines[n]);
        if (w.empty() || w[0][0] == '#') continue;
        const std::string where = " on line " + std::to_string(n + 1);
        if (w[0] != "sound") return bad(why, "unknown setting \"" + shown(w[0]) + "\"" + where);
        if (soundSeen) return bad(why, "sound given twice" + where);
        if (w.size() != 2 || (w[1] != "on" && w[1] != "off")) return bad(why, "sound is on or off" + where);
        soundSeen = true;
        read.soundOn = w[1] == "on";
    }
    *out = read;
    return recordParsed;
}

void loadSettings() {
    current = Settings{true};
    mayReplace = true;
    std::string text;
    const RecordRead found = readRecord(recordSettings, &text);
    if (found == recordUnreadable) {
        mayReplace = setRecordAside(recordSettings, "unreadable", "the store could not read it") != 0;
    } else if (found == recordFound) {
        std::string why;
        const RecordParse parsed = parseSettings(text, &current, &why);
        if (parsed != recordParsed) mayReplace = setRecordAside(recordSettings, parseReason(parsed), why) != 0;
    }
    setSoundOn(current.soundOn);
}

void toggleSound() {
    current.soundOn = !current.soundOn;
    setSoundOn(current.soundOn);
    if (mayReplace) replaceRecord(recordSettings, formatSettings(current));
}
