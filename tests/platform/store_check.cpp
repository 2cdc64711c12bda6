// A backend's store on its own system: a record replaced, read, set aside, merged under the lock and
// removed; prints what failed and exits 1, or prints "store check passed" and exits 0. Built by the
// Windows build (run under Wine by the e2e case) and the browser build (run in a page).
#include <cstdio>
#include <string>

#include "platform/store.h"

namespace {

int failures = 0;

void expect(bool ok, const char* what) {
    if (ok) return;
    std::printf("failed: %s\n", what);
    ++failures;
}

std::string merged(const std::string* latest, void*) { return (latest ? *latest : std::string()) + "entry\n"; }

}  // namespace

int main() {
    installStore(programStore());
    std::string text;
    // A game left by an earlier run of this check goes first.
    expect(removeRecord(recordGame) == 1, "remove before");
    expect(readRecord(recordGame, &text) == recordMissing, "no record after a remove");
    expect(replaceRecord(recordGame, "old\n") == 1, "first replace");
    expect(replaceRecord(recordGame, std::string(40000, 'n') + "\n") == 1, "second replace");
    expect(readRecord(recordGame, &text) == recordFound && text.size() == 40001, "read back");
    // Two set asides within the same second take two names.
    expect(setRecordAside(recordGame, "check", "first") == 1, "first set aside");
    expect(replaceRecord(recordGame, "again\n") == 1, "replace after a set aside");
    expect(setRecordAside(recordGame, "check", "second") == 1, "second set aside");
    expect(readRecord(recordGame, &text) == recordMissing, "no record after a set aside");
    expect(updateRecord(recordScores, merged, nullptr) == 1, "update under the lock");
    expect(readRecord(recordScores, &text) == recordFound && text.size() >= 6, "the update was kept");
    // What the Wine case looks for in %LOCALAPPDATA%\Brinvale\.
    expect(replaceRecord(recordGame, "brinvale store check\n") == 1, "last replace");
    if (failures == 0) std::printf("store check passed\n");
    return failures == 0 ? 0 : 1;
}
