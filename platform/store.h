// What the game keeps between runs: a few small named text records, each read whole and replaced whole.
#pragma once

#include <string>

// The records, each kept where its kind belongs: the game in progress with the program's state, the
// best scores with the user's data, the settings with the user's configuration.
enum RecordName { recordGame = 0, recordScores = 1, recordSettings = 2 };
constexpr int recordCount = 3;

// What a backend supplies to keep records. Every step returns 1 on success and 0 on failure, with
// the reason for the user in *why (for read: 0 with *why empty means there is no such record).
struct StoreSteps {
    // Reads the whole record into *text.
    int (*read)(RecordName record, std::string* text, std::string* why);
    // Replaces the record whole and durably: whatever happens meanwhile (a kill, a power loss), the
    // record afterwards holds either its old text or the new one, never a mix.
    int (*replace)(RecordName record, const std::string& text, std::string* why);
    // Removes the record; 1 also when there was none.
    int (*remove)(RecordName record, std::string* why);
    // Moves the record aside under a name that says why (its reason, a short word), never
    // destroying it; *why is the new name on success.
    int (*setAside)(RecordName record, const char* reason, std::string* why);
    // Takes (hold 1) or gives back (hold 0) the record's lock against other processes, held across a
    // read and a replace so that two games merge rather than overwrite.
    int (*lock)(RecordName record, int hold, std::string* why);
};

// The store of the backend the program runs on, defined by the one backend the program is linked
// with. Called by main().
const StoreSteps* programStore();
// Installs the store every record call uses; null installs the null store, which holds nothing and
// takes every write silently. Called once by the program or a test; it forgets which failures were said.
void installStore(const StoreSteps* store);

// What readRecord found.
enum RecordRead { recordMissing = 0, recordFound = 1, recordUnreadable = 2 };

// Reads the record into *text. recordUnreadable when the store could not read it (said once on
// standard error); the game then goes on as if there were none. Called by the loop at start-up.
RecordRead readRecord(RecordName record, std::string* text);
// Replaces the record; 0 when it could not, which is said once on standard error with the reason,
// and the game plays on. Called by the loop whenever something worth keeping changed.
int replaceRecord(RecordName record, const std::string& text);
// Removes the record; 0 (said once) when it could not. Called when a game ends or is abandoned.
int removeRecord(RecordName record);
// A record the game read but cannot use: moved aside, never destroyed, and what was ignored and why
// said on standard error. Returns 1 when it was moved; 0 when it stays in place, and must then not
// be written over. Called by whoever parsed the record.
int setRecordAside(RecordName record, const char* reason, const std::string& detail);
// Reads the latest record, lets merge make its new text (found false: there was none or it could
// not be used; the merge sets an unusable one aside itself), and replaces it, all under the record's
// lock, so that a second game running at once loses nothing. A record the store cannot read is set
// aside first and left alone when that fails. Returns 1 when the new text was saved. Called when a
// score is entered.
int updateRecord(RecordName record, std::string (*merge)(const std::string* latest, void* context),
                 void* context);

// The record's name as the user sees it in messages ("game in progress", "best scores", "settings").
const char* recordTitle(RecordName record);

// Today's local date as YYYY-MM-DD into out. Called when a score is entered.
void localDate(char out[11]);

// Called by a backend from its own event callbacks when the program may end or be frozen before the
// loop runs again (a page hidden or left): the hook writes at once what the game keeps. Outside any
// pass, so the hook must only write what a pass prepared. Installed by the loop; null removes it.
void setLeavingHook(void (*hook)());
// Runs the leaving hook, if any. Called by a backend.
void programLeaving();
