// Runs the game from a script on the scripted backend and reads its trace back, for the loop tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One trace line: the clock, the text without its repeat count, and the count (1 when not repeated).
struct TraceLine {
    uint64_t time;
    std::string text;
    int count;
};

struct Replay {
    std::vector<TraceLine> lines;
    std::string text;  // the trace as printed
    int exitCode;

    // Index of the first line at or after from whose text starts with prefix; -1 when none.
    int find(const std::string& prefix, int from = 0) const;
    // How many times lines starting with prefix occur, repeats counted, in [from, to).
    int count(const std::string& prefix, int from = 0, int to = -1) const;
    // The texts of lines [from, from + n), for comparing a stretch of the trace at once.
    std::vector<std::string> texts(int from, int n) const;
    // The same trace without the lines that start with prefix (such as one timer's ticks).
    Replay without(const std::string& prefix) const;
};

// Runs the game's entry function on the script with the rules' counters at their start values and
// the score at startScore; fails the current test when the script is malformed.
Replay replay(const std::string& script, int startScore = 0);
