// The Windows store on a real (or Wine's) Windows: a record replaced, read, set aside, locked and
// removed in the known folders; prints what failed and exits 1, or exits 0. Run by the Wine e2e case.
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
    return failures == 0 ? 0 : 1;
}
