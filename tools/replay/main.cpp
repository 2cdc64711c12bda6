// brinvale-replay SCRIPT: runs the game from start-up to exit on the scripted backend, prints the trace.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "app/loop.h"
#include "game/rules.h"
#include "platform/scripted/scripted.h"
#include "platform/scripted/scripted_store.h"

namespace {

// Takes the program's own lines out of the script (a start score), leaving comments in their place
// so that the backend's line numbers stay right. 0 with a reason when a score line is malformed.
int takeProgramLines(const std::string& script, std::string* rest, std::string* error) {
    std::istringstream lines(script);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        std::istringstream words(line);
        std::string first, value, extra;
        words >> first >> value >> extra;
        if (first == "score") {
            char* end = nullptr;
            long v = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || !extra.empty() || v < 0 || v > 1000000) {
                *error = "line " + std::to_string(number) + ": score takes one number in 0..1000000";
                return 0;
            }
            score = static_cast<int32_t>(v);
            line = "# " + line;
        }
        *rest += line + "\n";
    }
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: brinvale-replay SCRIPT\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "brinvale-replay: cannot read %s\n", argv[1]);
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::string script, error;
    if (!takeProgramLines(text.str(), &script, &error) || !loadScript(script, &error)) {
        std::fprintf(stderr, "brinvale-replay: %s: %s\n", argv[1], error.c_str());
        return 2;
    }
    installPlatform(scriptedPlatform());
    installStore(scriptedStore());
    traceExit(runGame());
    installStore(nullptr);
    installPlatform(nullptr);
    std::fputs(scriptedTrace().c_str(), stdout);
    return 0;
}
