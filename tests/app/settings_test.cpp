// The settings record: its parser against text anyone may have written, and M through the loop with
// a store that keeps what it is given.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/settings.h"
#include "harness.h"
#include "platform/store.h"

namespace {

TEST(SettingsRecord, WhatItWritesReadsBackAndAPersonsEditsAreTaken) {
    for (bool on : {true, false}) {
        Settings s{!on};
        std::string why;
        EXPECT_EQ(parseSettings(formatSettings({on}), &s, &why), recordParsed) << why;
        EXPECT_EQ(s.soundOn, on);
    }
    Settings s{true};
    std::string why;
    EXPECT_EQ(parseSettings("brinvale settings 1\r\n\r\n# quiet at night\r\n  sound\toff  \r\n", &s, &why), recordParsed)
        << why;
    EXPECT_FALSE(s.soundOn);
    // A setting left out keeps the value it had.
    EXPECT_EQ(parseSettings("brinvale settings 1\n", &s, &why), recordParsed);
    EXPECT_FALSE(s.soundOn);
}

TEST(SettingsRecord, AnythingElseIsRefusedWithAReasonAndChangesNothing) {
    const std::string cases[] = {
        "",
        "sound off\n",
        "brinvale settings\nsound off\n",
        "brinvale settings one\nsound off\n",
        "brinvale settings 0\nsound off\n",
        "brinvale settings -1\nsound off\n",
        "brinvale settings 1 2\nsound off\n",
        "brinvale-scores 1\nsound off\n",
        "brinvale settings 1\nsound loud\n",
        "brinvale settings 1\nsound\n",
        "brinvale settings 1\nsound off off\n",
        "brinvale settings 1\nSound off\n",
        "brinvale settings 1\nvolume 3\n",
        "brinvale settings 1\nsound off\nsound off\n",
        std::string("brinvale settings 1\nsound off\0\n", 30),
        "brinvale settings 1\nsound off\n" + std::string(5000, '#'),
    };
    for (const std::string& text : cases) {
        Settings s{true};
        std::string why;
        EXPECT_EQ(parseSettings(text, &s, &why), recordBad) << text;
        EXPECT_FALSE(why.empty()) << text;
        EXPECT_TRUE(s.soundOn) << text;
    }
}

TEST(SettingsRecord, ALaterFormatIsToldApartWhateverItHolds) {
    for (const char* text : {"brinvale settings 2\nsound off\n", "brinvale settings 2\nvolume 11\n",
                             "brinvale settings 123456789012345678901234567890\n"}) {
        Settings s{true};
        std::string why;
        EXPECT_EQ(parseSettings(text, &s, &why), recordNewer) << text;
        EXPECT_TRUE(s.soundOn);
    }
}

// ---- M in the loop, with a store in memory ----

struct MemoryStore {
    std::map<int, std::string> records;
    std::vector<std::string> setAside;  // the reasons, in order
    int replaces = 0;  // of the settings
    bool refuseAside = false;
};
MemoryStore memory;

int memoryRead(RecordName r, std::string* text, std::string* why) {
    why->clear();
    auto found = memory.records.find(r);
    if (found == memory.records.end()) return 0;
    *text = found->second;
    return 1;
}
int memoryReplace(RecordName r, const std::string& text, std::string*) {
    memory.records[r] = text;
    if (r == recordSettings) ++memory.replaces;
    return 1;
}
int memoryRemove(RecordName r, std::string*) {
    memory.records.erase(r);
    return 1;
}
int memorySetAside(RecordName r, const char* reason, std::string* why) {
    if (memory.refuseAside) {
        *why = "refused";
        return 0;
    }
    memory.setAside.push_back(reason);
    memory.records.erase(r);
    *why = std::string("settings.") + reason;
    return 1;
}
int memoryLock(RecordName, int, std::string*) { return 1; }
const StoreSteps memorySteps = {memoryRead, memoryReplace, memoryRemove, memorySetAside, memoryLock};

class SoundKey : public ::testing::Test {
protected:
    void SetUp() override {
        memory = MemoryStore{};
        installStore(&memorySteps);
    }
    void TearDown() override { installStore(nullptr); }
};

TEST_F(SoundKey, MSilencesEverySoundInEveryStateKeepsThePaceAndTheChoice) {
    memory.records[recordSettings] = "brinvale settings 1\nsound off\n";
    Replay r = replay("at 200 keydown Up\nat +40 keyup Up\n"
                      "at 600 keydown M\nat +40 keyup M\nat 900 keydown Up\nat +40 keyup Up\n"
                      "at 1300 keydown M\nat +40 keyup M\nat 1600 keydown Return\nat +40 keyup Return\n"
                      "at 2800 keydown P\nat +40 keyup P\nat 3200 keydown M\nat +40 keyup M\n"
                      "at 3600 keydown M\nat +40 keyup M\nat 4000 keydown Escape\nat +40 keyup Escape\n"
                      "at 4500 keydown Escape\n");
    const int on = r.find("take key down M"), off = r.find("take key down M", on + 1);
    const int pausedOn = r.find("take key down M", off + 1), pausedOff = r.find("take key down M", pausedOn + 1);
    ASSERT_GT(pausedOff, pausedOn);
    // Kept off from the last run: the menu's first move is silent; M brings it back, M again not.
    EXPECT_EQ(r.lines[r.find("sound pic/move.wav")].text, "sound pic/move.wav background silent");
    EXPECT_EQ(r.count("sound pic/move.wav background silent", on, off), 0);
    EXPECT_GT(r.count("sound pic/move.wav background", on, off), 0);
    // Off again: what plays stops, and the start of play and its gravity steps are silent too.
    EXPECT_EQ(r.lines[off + 1].text, "sound stop");
    int silent = 0;
    for (int i = off; i < pausedOn; ++i)
        if (r.lines[i].text.rfind("sound pic/", 0) == 0) {
            EXPECT_EQ(r.lines[i].text.substr(r.lines[i].text.size() - 7), " silent") << r.lines[i].text;
            ++silent;
        }
    EXPECT_GE(silent, 2);
    // Paused, each M draws the paused view again for its sign, once.
    EXPECT_EQ(r.count("present paused", pausedOn, pausedOff), 1);
    EXPECT_EQ(r.count("present paused", pausedOff, r.find("take key down Escape")), 1);
    // Quitting silent still waits the quit sound's length before the exit.
    const int quit = r.find("sound pic/graw.wav wait silent");
    ASSERT_GE(quit, 0);
    EXPECT_GE(r.lines[r.find("exit")].time, r.lines[quit].time + 250);
    EXPECT_EQ(r.count("sound pic/graw.wav wait"), 1);
    // Every M wrote the record; the last left it off for the next start.
    EXPECT_EQ(memory.replaces, 4);
    EXPECT_EQ(memory.records[recordSettings], "brinvale settings 1\nsound off\n");
}

TEST_F(SoundKey, AnUnusableRecordIsSetAsideAndOneThatCannotBeIsNeverWrittenOver) {
    memory.records[recordSettings] = "brinvale settings 1\nsound maybe\n";
    replay("at 200 keydown M\nat +40 keyup M\nat 500 keydown Escape\n");
    EXPECT_EQ(memory.setAside, std::vector<std::string>{"bad"});
    EXPECT_EQ(memory.records[recordSettings], "brinvale settings 1\nsound off\n");

    memory = MemoryStore{};
    memory.records[recordSettings] = "brinvale settings 7\nsound maybe\n";
    memory.refuseAside = true;
    Replay newer = replay("at 200 keydown M\nat +40 keyup M\nat 500 keydown Escape\n");
    // The sound starts on, M still turns it off, and the later version's record stays as it was.
    EXPECT_EQ(newer.lines[newer.find("sound pic/graw.wav")].text, "sound pic/graw.wav wait silent");
    EXPECT_EQ(memory.replaces, 0);
    EXPECT_EQ(memory.records[recordSettings], "brinvale settings 7\nsound maybe\n");
}

}  // namespace
