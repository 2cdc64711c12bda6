// The loop tests' runner: rules at their start values, the scripted backend, the trace parsed.
#include "harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "app/loop.h"
#include "game/rules.h"
#include "platform/scripted/scripted.h"
#include "platform/window.h"

int Replay::find(const std::string& prefix, int from) const {
    for (int i = from < 0 ? 0 : from; i < static_cast<int>(lines.size()); ++i)
        if (lines[i].text.rfind(prefix, 0) == 0) return i;
    return -1;
}

int Replay::count(const std::string& prefix, int from, int to) const {
    int end = to < 0 ? static_cast<int>(lines.size()) : to;
    int n = 0;
    for (int i = from < 0 ? 0 : from; i < end; ++i)
        if (lines[i].text.rfind(prefix, 0) == 0) n += lines[i].count;
    return n;
}

std::vector<std::string> Replay::texts(int from, int n) const {
    std::vector<std::string> out;
    for (int i = from; i >= 0 && i < from + n && i < static_cast<int>(lines.size()); ++i) out.push_back(lines[i].text);
    return out;
}

Replay Replay::without(const std::string& prefix) const {
    Replay kept{{}, text, exitCode};
    for (const TraceLine& line : lines)
        if (line.text.rfind(prefix, 0) != 0) kept.lines.push_back(line);
    return kept;
}

Replay replay(const std::string& script, int startScore) {
    gameOver = false;
    resetGame();  // the deal is made again by the game's own start-up
    score = startScore;
    fullscreenMode = 1;

    Replay result{{}, "", -1};
    std::string error;
    if (!loadScript(script, &error)) {
        ADD_FAILURE() << "bad script: " << error;
        return result;
    }
    installPlatform(scriptedPlatform());
    result.exitCode = runGame();
    traceExit(result.exitCode);
    installPlatform(nullptr);
    result.text = scriptedTrace();

    std::istringstream in(result.text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        TraceLine parsed{0, "", 1};
        words >> parsed.time;
        std::getline(words >> std::ws, parsed.text);
        size_t mark = parsed.text.rfind(" x");
        if (mark != std::string::npos && mark + 2 < parsed.text.size() &&
            parsed.text.find_first_not_of("0123456789", mark + 2) == std::string::npos) {
            parsed.count = std::atoi(parsed.text.c_str() + mark + 2);
            parsed.text.erase(mark);
        }
        result.lines.push_back(parsed);
    }
    return result;
}
