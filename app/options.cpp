// The command line's one table, its parser and its usage text.
#include "app/options.h"

#include <cstring>

#include "platform/window.h"

#ifndef BRINVALE_VERSION
#error "BRINVALE_VERSION comes from the build (the project's version)"
#endif

namespace {

void chooseModeSwitch() { displayChoice = displayModeSwitch; }
void chooseWindow() { displayChoice = displayWindow; }

}  // namespace

const CommandOption commandOptions[] = {
    {"--mode-switch", "full screen by switching the display to 800x600 (asks first when it cannot)",
     chooseModeSwitch},
    {"--window", "play in an 800x600 window, without asking", chooseWindow},
    {"--help", "print this help and exit", nullptr},
    {"--version", "print the version and exit", nullptr},
};
const int commandOptionCount = sizeof commandOptions / sizeof commandOptions[0];

const char* programVersion() { return BRINVALE_VERSION; }

void printUsage(std::FILE* out) {
    std::fprintf(out, "Usage: brinvale [OPTION]...\n");
    std::fprintf(out, "A falling-gem puzzle. Full screen at the desktop's own resolution by default.\n\n");
    for (int i = 0; i < commandOptionCount; ++i)
        std::fprintf(out, "  %-15s %s\n", commandOptions[i].name, commandOptions[i].help);
}

int parseCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const CommandOption* found = nullptr;
        for (int k = 0; k < commandOptionCount; ++k)
            if (std::strcmp(argv[i], commandOptions[k].name) == 0) found = &commandOptions[k];
        if (!found) {
            std::fprintf(stderr, "brinvale: unknown option '%s'\n", argv[i]);
            printUsage(stderr);
            return 2;
        }
        if (std::strcmp(found->name, "--help") == 0) {
            printUsage(stdout);
            return 0;
        }
        if (std::strcmp(found->name, "--version") == 0) {
            std::printf("brinvale %s\n", programVersion());
            return 0;
        }
        found->apply();
    }
    return -1;
}
