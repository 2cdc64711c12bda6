// The scripted backend's store: records in memory that tests fill, read and break.
#pragma once

#include <string>
#include <vector>

#include "platform/store.h"

// The in-memory store, to pass to installStore. Its records outlive loadScript and installStore, so
// that a test can run the game, "restart" it and find what the first run saved.
const StoreSteps* scriptedStore();
// Empties every record and what was set aside, and lifts both failures. Called by tests between cases.
void resetScriptedStore();

// Puts text in the record, as if an earlier run had saved it. Called by tests and the script's
// `record` lines.
void setScriptedRecord(RecordName record, const std::string& text);
// Removes the record, as if it had never been saved. Called by tests.
void clearScriptedRecord(RecordName record);
// Copies the record into *text; 1 when there is one, 0 (text emptied) when not. Called by tests.
int scriptedRecord(RecordName record, std::string* text);
// The texts set aside from the record, oldest first. Called by tests.
std::vector<std::string> scriptedSetAside(RecordName record);

// From now on replace, remove and set-aside fail with why (a full disk, a read-only home); null or ""
// lets them succeed again. Called by tests.
void failScriptedWrites(const char* why);
// From now on read fails with why (a record the store cannot read); null or "" lets it succeed again.
void failScriptedReads(const char* why);
