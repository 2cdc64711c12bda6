// The settings record: its format, a parser for text anyone may have edited, and the sound setting.
#include "app/settings.h"

#include <cctype>
#include <cstddef>
#include <sstream>
#include <vector>

#include "platform/platform.h"
#include "platform/store.h"

namespace {

const char* const recordKind = "brinvale-settings";
constexpr unsigned formatVersion = 1;
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

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

bool allDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

int bad(std::string* why, const std::string& text) {
    *why = text;
    return settingsBad;
}

}  // namespace

std::string formatSettings(const Settings& settings) {
    return std::string(recordKind) + " " + std::to_string(formatVersion) + "\nsound " + (settings.soundOn ? "on" : "off") +
           "\n";
}

int parseSettings(const std::string& text, Settings* out, std::string* why) {
    if (text.size() > longestRecord) return bad(why, "longer than a settings record can be");
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 && c != '\n' && c != '\r' && c != '\t') return bad(why, "not text");
    }
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    const std::vector<std::string> head = lines.empty() ? std::vector<std::string>() : words(lines[0]);
    if (head.size() != 2 || head[0] != recordKind || !allDigits(head[1]))
        return bad(why, std::string("its first line is not \"") + recordKind + " <version>\"");
    // Nine digits or fewer fit; longer ones can only be a version far ahead.
    const unsigned long version = head[1].size() > 9 ? ~0ul : std::stoul(head[1]);
    if (version == 0) return bad(why, "version 0");
    if (version > formatVersion) {
        *why = "written by a later version (format " + shown(head[1]) + ")";
        return settingsNewer;
    }
    Settings read = *out;
    bool soundSeen = false;
    for (size_t n = 1; n < lines.size(); ++n) {
        const std::vector<std::string> w = words(lines[n]);
        if (w.empty() || w[0][0] == '#') continue;
        const std::string where = " on line " + std::to_string(n + 1);
        if (w[0] != "sound") return bad(why, "unknown setting \"" + shown(w[0]) + "\"" + where);
        if (soundSeen) return bad(why, "sound given twice" + where);
        if (w.size() != 2 || (w[1] != "on" && w[1] != "off")) return bad(why, "sound is on or off" + where);
        soundSeen = true;
        read.soundOn = w[1] == "on";
    }
    *out = read;
    return settingsParsed;
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
        const int parsed = parseSettings(text, &current, &why);
        if (parsed != settingsParsed)
            mayReplace = setRecordAside(recordSettings, parsed == settingsNewer ? "newer" : "bad", why) != 0;
    }
    setSoundOn(current.soundOn);
}

void toggleSound() {
    current.soundOn = !current.soundOn;
    setSoundOn(current.soundOn);
    if (mayReplace) replaceRecord(recordSettings, formatSettings(current));
}
