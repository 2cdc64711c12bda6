// The scripted backend: a virtual clock, timed input from a script, and a trace of every service call.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

// Reads a script (format in tools/replay/README.md) and puts the backend in its start state: clock
// 0, no timers, empty queue and trace. Returns 1, or 0 with "line N: reason" in *error. Called by
// tests and brinvale-replay before installPlatform(scriptedPlatform()).
int loadScript(const std::string& text, std::string* error);
// Reads the script from a file; 0 with the reason in *error when it cannot be read or is malformed.
int loadScriptFile(const char* path, std::string* error);

// The scripted backend's table: window and context steps succeed without a window unless the script
// names them to fail.
const PlatformBackend* scriptedPlatform();

// Appends "exit N" to the trace. Called by whoever ran the program once it returned.
void traceExit(int code);
// The trace so far, one line per event, each ending in a newline.
std::string scriptedTrace();
// The virtual clock in milliseconds.
uint64_t scriptedNow();
