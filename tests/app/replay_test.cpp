// brinvale-replay end to end: whole games from a script, their traces compared with the expected ones.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Output {
    std::string text;
    int status;
};

Output run(const std::string& arguments) {
    std::string command = std::string(BRINVALE_REPLAY) + " " + arguments + " 2>&1";
    Output out{"", -1};
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.text.append(buffer, n);
    int status = pclose(pipe);
    out.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs SCRIPT and compares with its expected trace; BRINVALE_UPDATE_TRACES=1 rewrites the expectation.
void expectTrace(const std::string& script, const std::string& expected) {
    Output out = run(script);
    ASSERT_EQ(out.status, 0) << out.text;
    if (std::getenv("BRINVALE_UPDATE_TRACES")) std::ofstream(expected) << out.text;
    EXPECT_EQ(out.text, readFile(expected)) << "from " << script;
}

const std::string testsDir = BRINVALE_APP_TESTS_DIR;
const std::string samples = testsDir + "/../../tools/replay/samples/";

TEST(Replay, SampleGameWithAChainAndALevelStep) {
    expectTrace(samples + "chain-and-level.script", testsDir + "/expected/chain-and-level.trace");
}

TEST(Replay, MenuTour) { expectTrace(testsDir + "/scripts/menu-tour.script", testsDir + "/expected/menu-tour.trace"); }

TEST(Replay, PauseAndGameOver) {
    expectTrace(testsDir + "/scripts/pause-and-gameover.script", testsDir + "/expected/pause-and-gameover.trace");
}

TEST(Replay, RealRendererDrawsTheSameGameOffscreen) {
    // The same sample with an offscreen GL context: the renderer really draws, the trace is unchanged.
    std::string script = readFile(samples + "chain-and-level.script");
    char path[] = "/tmp/brinvale-replay-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    std::ofstream(path) << "gl offscreen\n" << script;
    Output out = run(path);
    std::remove(path);
    ASSERT_EQ(out.status, 0) << out.text;
    EXPECT_EQ(out.text.find("offscreen context unavailable"), std::string::npos);
    EXPECT_EQ(out.text, readFile(testsDir + "/expected/chain-and-level.trace"));
}

TEST(Replay, BadScriptsAreRefusedWithTheirLine) {
    Output unknown = run(testsDir + "/scripts/bad-event.script");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.text.find("line 3: unknown event 'jump'"), std::string::npos) << unknown.text;
    Output missing = run("/nonexistent/script");
    EXPECT_EQ(missing.status, 1);
    Output usage = run("");
    EXPECT_EQ(usage.status, 2);
    EXPECT_NE(usage.text.find("usage: brinvale-replay SCRIPT"), std::string::npos);
}

}  // namespace
