// The scripted backend's store: records in memory, kept across runs until a test resets them.
#include "platform/scripted/scripted_store.h"

#include "platform/scripted/scripted_internal.h"

namespace {

struct Slot {
    bool present = false;
    std::string text;
    std::vector<std::string> aside;
    bool locked = false;
};

Slot slots[recordCount];
std::string writeFailure;
std::string readFailure;

const char* shortName(RecordName record) {
    switch (record) {
    case recordGame: return "game";
    case recordScores: return "scores";
    case recordSettings: return "settings";
    }
    return "record";
}

bool valid(RecordName record) { return record >= 0 && record < recordCount; }

int storeRead(RecordName record, std::string* text, std::string* why) {
    why->clear();
    if (!valid(record)) return 0;
    if (!readFailure.empty()) {
        traceStore(std::string("read ") + shortName(record) + " failed");
        *why = readFailure;
        return 0;
    }
    const Slot& slot = slots[record];
    traceStore(std::string("read ") + shortName(record) + (slot.present ? "" : " missing"));
    if (!slot.present) return 0;
    *text = slot.text;
    return 1;
}

// The write steps share the one failure switch, as a read-only home or a full disk would.
bool writeRefused(const char* step, RecordName record, std::string* why) {
    if (writeFailure.empty()) return false;
    traceStore(std::string(step) + " " + shortName(record) + " failed");
    *why = writeFailure;
    return true;
}

int storeReplace(RecordName record, const std::string& text, std::string* why) {
    if (!valid(record)) return 0;
    if (writeRefused("replace", record, why)) return 0;
    traceStore(std::string("replace ") + shortName(record) + " " + std::to_string(text.size()) + " bytes");
    slots[record].present = true;
    slots[record].text = text;
    return 1;
}

int storeRemove(RecordName record, std::string* why) {
    if (!valid(record)) return 0;
    if (writeRefused("remove", record, why)) return 0;
    traceStore(std::string("remove ") + shortName(record));
    slots[record].present = false;
    slots[record].text.clear();
    return 1;
}

int storeSetAside(RecordName record, const char* reason, std::string* why) {
    if (!valid(record)) return 0;
    if (writeRefused("aside", record, why)) return 0;
    Slot& slot = slots[record];
    // Nothing to move is not a loss; the name says what would have been kept.
    *why = std::string(shortName(record)) + "." + (reason ? reason : "aside") + "-" +
           std::to_string(slot.aside.size() + 1);
    traceStore(std::string("aside ") + shortName(record) + " as " + *why);
    if (!slot.present) return 1;
    slot.aside.push_back(slot.text);
    slot.present = false;
    slot.text.clear();
    return 1;
}

// One process: a second hold without a release is the caller's fault, which a test should see.
int storeLock(RecordName record, int hold, std::string* why) {
    if (!valid(record)) return 0;
    Slot& slot = slots[record];
    if (hold && slot.locked) {
        *why = "the lock is already held";
        return 0;
    }
    slot.locked = hold != 0;
    traceStore(std::string(hold ? "lock " : "unlock ") + shortName(record));
    return 1;
}

const StoreSteps steps = {storeRead, storeReplace, storeRemove, storeSetAside, storeLock};

}  // namespace

const StoreSteps* scriptedStore() { return &steps; }

void resetScriptedStore() {
    for (Slot& slot : slots) slot = Slot();
    writeFailure.clear();
    readFailure.clear();
}

void setScriptedRecord(RecordName record, const std::string& text) {
    if (!valid(record)) return;
    slots[record].present = true;
    slots[record].text = text;
}

void clearScriptedRecord(RecordName record) {
    if (!valid(record)) return;
    slots[record].present = false;
    slots[record].text.clear();
}

int scriptedRecord(RecordName record, std::string* text) {
    text->clear();
    if (!valid(record) || !slots[record].present) return 0;
    *text = slots[record].text;
    return 1;
}

std::vector<std::string> scriptedSetAside(RecordName record) {
    return valid(record) ? slots[record].aside : std::vector<std::string>();
}

void failScriptedWrites(const char* why) { writeFailure = why ? why : ""; }

void failScriptedReads(const char* why) { readFailure = why ? why : ""; }
