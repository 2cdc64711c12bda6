// The record calls the game makes, forwarded to the installed store, with each failure said once.
#include "platform/store.h"

#include "platform/platform.h"

#include <cstdio>
#include <ctime>

namespace {

int nullRead(RecordName, std::string*, std::string* why) {
    why->clear();
    return 0;
}
int nullReplace(RecordName, const std::string&, std::string*) { return 1; }
int nullRemove(RecordName, std::string*) { return 1; }
int nullSetAside(RecordName, const char*, std::string* why) {
    *why = "nothing kept";
    return 1;
}
int nullLock(RecordName, int, std::string*) { return 1; }

const StoreSteps nullStore = {nullRead, nullReplace, nullRemove, nullSetAside, nullLock};

const StoreSteps* store = &nullStore;

// A failure that persists (a read-only home, a full disk) would otherwise be said at every landing.
bool said[recordCount][2];

void (*leavingHook)() = nullptr;

bool validRecord(RecordName record) { return record >= 0 && record < recordCount; }

void sayOnce(RecordName record, bool writing, const char* what, const std::string& why) {
    bool& flag = said[record][writing ? 1 : 0];
    if (flag) return;
    flag = true;
    std::fprintf(stderr, "brinvale: %s %s: %s\n", what, recordTitle(record), why.c_str());
}

}  // namespace

const char* recordTitle(RecordName record) {
    switch (record) {
    case recordGame: return "the game in progress";
    case recordScores: return "the best scores";
    case recordSettings: return "the settings";
    }
    return "a record";
}

void installStore(const StoreSteps* steps) {
    store = steps ? steps : &nullStore;
    for (auto& record : said) record[0] = record[1] = false;
}

RecordRead readRecord(RecordName record, std::string* text) {
    text->clear();
    if (!validRecord(record)) return recordMissing;
    std::string why;
    if (store->read(record, text, &why)) return recordFound;
    text->clear();
    if (why.empty()) return recordMissing;
    sayOnce(record, false, "cannot read", why);
    return recordUnreadable;
}

int replaceRecord(RecordName record, const std::string& text) {
    if (!validRecord(record)) return 0;
    std::string why;
    if (store->replace(record, text, &why)) return 1;
    sayOnce(record, true, "cannot save", why);
    return 0;
}

int removeRecord(RecordName record) {
    if (!validRecord(record)) return 0;
    std::string why;
    if (store->remove(record, &why)) return 1;
    sayOnce(record, true, "cannot remove", why);
    return 0;
}

int setRecordAside(RecordName record, const char* reason, const std::string& detail) {
    if (!validRecord(record)) return 0;
    std::string where;
    // Said every time: each bad record is a new one, and the user should know where it went.
    const int moved = store->setAside(record, reason, &where);
    if (moved)
        std::fprintf(stderr, "brinvale: ignored %s (%s); kept as %s\n", recordTitle(record), detail.c_str(),
                     where.c_str());
    else
        std::fprintf(stderr, "brinvale: ignored %s (%s); could not set it aside: %s\n", recordTitle(record),
                     detail.c_str(), where.c_str());
    return moved;
}

int updateRecord(RecordName record, std::string (*merge)(const std::string* latest, void* context), void* context) {
    if (!validRecord(record)) return 0;
    std::string why;
    const bool locked = store->lock(record, 1, &why) != 0;
    // Without the lock the merge still runs: a lost race costs at most the other game's score, no save.
    if (!locked) sayOnce(record, true, "cannot lock", why);
    std::string latest;
    const RecordRead found = readRecord(record, &latest);
    int saved = 0;
    // A record that cannot be read is never written over: it goes aside first, or nothing is written.
    if (found != recordUnreadable || setRecordAside(record, "unreadable", "the store could not read it"))
        saved = replaceRecord(record, merge(found == recordFound ? &latest : nullptr, context));
    if (locked) store->lock(record, 0, &why);
    return saved;
}

void localDate(char out[11]) {
    std::tm local{};
    readLocalTime(&local);
    if (std::strftime(out, 11, "%Y-%m-%d", &local) == 0) std::snprintf(out, 11, "1970-01-01");
}

void setLeavingHook(void (*hook)()) { leavingHook = hook; }

void programLeaving() {
    if (leavingHook) leavingHook();
}
