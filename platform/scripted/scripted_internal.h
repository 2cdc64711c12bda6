// What the scripted backend's files share: the trace of store calls.
#pragma once

#include <string>

// Appends "store TEXT" to the trace when the script asked for `trace store`. Called by the store.
void traceStore(const std::string& text);
