// The command line: one table of options, shared by the parser, --help and the manual page.
#pragma once

#include <cstdio>

// One option: its long name with the dashes, a one-line help text, and what choosing it does
// (null for the options the parser itself answers, --help and --version).
struct CommandOption {
    const char* name;
    const char* help;
    void (*apply)();
};

// Every option, in the order --help and the manual page list them.
extern const CommandOption commandOptions[];
extern const int commandOptionCount;

// The program's version, from the build's one place for it.
const char* programVersion();

// Writes the usage text (a line of synopsis, then one line per option) to out. Called by
// parseCommandLine and by the manual page's generator.
void printUsage(std::FILE* out);

// Reads argv and applies the options chosen. Returns -1 when the game should start, or the exit
// status when it should not: 0 after --help or --version, 2 after an unknown option or an operand
// (the usage then goes to standard error). Called once by main().
int parseCommandLine(int argc, char** argv);
