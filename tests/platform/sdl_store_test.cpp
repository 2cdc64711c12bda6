// The Linux store's guarantees: a record killed mid-replace is whole, two games merging under the
// lock lose nothing, and nowhere to write is a failure said once, never a crash or a lost record.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <csignal>
#include <ctime>
#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/sdl/sdl_store.h"
#include "platform/store.h"

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.' || (entry->d_name[1] != '\0' && std::string(entry->d_name) != ".."))
                names.push_back(entry->d_name);
        closedir(dir);
    }
    return names;
}

// A home folder of the test's own, with every XDG variable unset; put back afterwards.
class LinuxStore : public ::testing::Test {
protected:
    std::string home;
    void SetUp() override {
        char pattern[] = "/tmp/brinvale-store-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        home = pattern;
        for (const char* name : {"HOME", "XDG_STATE_HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"}) {
            const char* value = std::getenv(name);
            saved.push_back({name, value ? value : "", value != nullptr});
            unsetenv(name);
        }
        setenv("HOME", home.c_str(), 1);
        installStore(sdlStore());
    }
    void TearDown() override {
        installStore(nullptr);
        for (const Saved& s : saved) s.set ? setenv(s.name, s.value.c_str(), 1) : unsetenv(s.name);
        std::system(("rm -rf '" + home + "'").c_str());
    }
    std::string stateFolder() const { return home + "/.local/state/brinvale"; }
    std::string dataFolder() const { return home + "/.local/share/brinvale"; }

private:
    struct Saved {
        const char* name;
        std::string value;
        bool set;
    };
    std::vector<Saved> saved;
};

// A text that says whether it is whole: its number, its body's length and checksum, then the body.
std::string checkedText(unsigned long number, size_t length) {
    std::string body;
    unsigned sum = 0;
    for (size_t i = 0; i < length; ++i) {
        const char c = static_cast<char>('a' + (number + i * 7) % 26);
        body += (i % 64 == 63) ? '\n' : c;
        sum = sum * 31 + static_cast<unsigned char>(body.back());
    }
    return "check " + std::to_string(number) + " " + std::to_string(length) + " " + std::to_string(sum) + "\n" + body;
}

// The text's number when it is whole, else -1.
long wholeNumber(const std::string& text) {
    std::istringstream in(text);
    std::string word;
    unsigned long number = 0;
    size_t length = 0;
    if (!(in >> word >> number >> length) || word != "check") return -1;
    return checkedText(number, length) == text ? static_cast<long>(number) : -1;
}

TEST_F(LinuxStore, AKilledReplaceLeavesTheOldOrTheNewRecordWhole) {
    const std::string record = stateFolder() + "/game.txt";
    std::mt19937 random(12345);
    long latest = -1;
    int kills = 0, caughtWriting = 0, temporariesLeft = 0;
    const std::time_t start = std::time(nullptr);
    for (int round = 0; round < 300; ++round) {
        const unsigned long first = static_cast<unsigned long>(round) * 1000000;
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // From a few bytes to tens of kilobytes, so that kills land in short and long writes alike.
            std::mt19937 sizes(static_cast<unsigned>(round));
            for (unsigned long n = first;; ++n)
                if (!replaceRecord(recordGame, checkedText(n, 3 + sizes() % (sizes() % 4 == 0 ? 40000 : 600))))
                    _exit(3);
        }
        usleep(random() % 6000);
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself, status " << status;
        ++kills;

        int temporaries = 0;
        for (const std::string& name : filesIn(stateFolder())) {
            if (name.rfind(".game.txt.tmp-", 0) == 0)
                ++temporaries;
            else
                EXPECT_EQ(name, "game.txt") << "after kill " << kills;
        }
        // The killed writer's own temporary, at most; those of earlier kills are cleared by the next.
        EXPECT_LE(temporaries, 1) << "after kill " << kills;
        temporariesLeft += temporaries;
        const std::string text = readFile(record);
        if (text.empty() && latest < 0) continue;  // killed before its first record
        const long number = wholeNumber(text);
        ASSERT_GE(number, 0) << "a mixed or cut record after kill " << kills << ": " << text.size() << " bytes";
        EXPECT_GE(number, latest) << "an older record came back after kill " << kills;
        if (number == latest) ++caughtWriting;
        latest = number;
    }
    std::printf("%d kills in %ld s; %d found no new record since the last, %d left a temporary\n", kills,
                static_cast<long>(std::time(nullptr) - start), caughtWriting, temporariesLeft);
    EXPECT_GE(latest, 0) << "no writer ever finished a record";
}

std::string appendLine(const std::string* latest, void* line) {
    return (latest ? *latest : std::string()) + *static_cast<const std::string*>(line) + "\n";
}

TEST_F(LinuxStore, TwoGamesMergingAtOnceLoseNoEntry) {
    constexpr int entries = 150;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            for (int i = 0; i < entries; ++i) {
                std::string line = std::to_string(c) + " " + std::to_string(i);
                if (!updateRecord(recordScores, appendLine, &line)) _exit(3);
            }
            _exit(0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }
    std::istringstream lines(readFile(dataFolder() + "/scores.txt"));
    int next[2] = {0, 0};
    for (int c, i; lines >> c >> i;) {
        ASSERT_TRUE(c == 0 || c == 1);
        EXPECT_EQ(i, next[c]) << "game " << c << " lost or repeated an entry";
        next[c] = i + 1;
    }
    EXPECT_EQ(next[0], entries);
    EXPECT_EQ(next[1], entries);
}

TEST_F(LinuxStore, NowhereToWriteIsSaidOnceAndSetAsideNeverOverwrites) {
    // A file where the folder would go.
    writeFile(home + "/blocked", "a file\n");
    setenv("XDG_DATA_HOME", (home + "/blocked").c_str(), 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(replaceRecord(recordScores, "1\n"), 0);
    EXPECT_EQ(replaceRecord(recordScores, "2\n"), 0);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "brinvale: cannot save the best scores: " + home + "/blocked/brinvale: Not a directory\n");
    EXPECT_EQ(readFile(home + "/blocked"), "a file\n");

    // A relative XDG value is ignored: the record goes under the home folder.
    setenv("XDG_DATA_HOME", "relative/share", 1);
    ASSERT_EQ(replaceRecord(recordScores, "kept\n"), 1);
    EXPECT_EQ(readFile(dataFolder() + "/scores.txt"), "kept\n");

    // Every name the set-aside may choose in the next seconds is taken already.
    std::vector<std::string> earlier;
    for (std::time_t t = std::time(nullptr), end = t + 3; t < end; ++t) {
        char stamp[32];
        std::tm local{};
        localtime_r(&t, &local);
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
        earlier.push_back(dataFolder() + "/scores.txt.garbled-" + stamp);
        writeFile(earlier.back(), "earlier\n");
    }
    testing::internal::CaptureStderr();
    EXPECT_EQ(setRecordAside(recordScores, "garbled", "line 2"), 1);
    const std::string kept = testing::internal::GetCapturedStderr();
    for (const std::string& path : earlier) EXPECT_EQ(readFile(path), "earlier\n") << path;
    const size_t at = kept.find("kept as ");
    ASSERT_NE(at, std::string::npos) << kept;
    EXPECT_EQ(readFile(kept.substr(at + 8, kept.size() - at - 9)), "kept\n");

    // Too large to be ours: not read, and left where it is.
    writeFile(dataFolder() + "/scores.txt", std::string(70000, 'x'));
    std::string text;
    testing::internal::CaptureStderr();
    EXPECT_EQ(readRecord(recordScores, &text), recordUnreadable);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("too large"), std::string::npos);
    EXPECT_TRUE(text.empty());
}

}  // namespace
