// createGameWindow and destroyGameWindow on a recording backend: step order, failure messages, teardown.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "app/loop.h"
#include "platform/platform.h"
#include "platform/window.h"

namespace {

// Everything the backend and the client were asked to do, in order, message boxes included.
std::vector<std::string> calls;
std::string failStep;        // the step that reports failure, "" for none
int questionAnswer = idYes;  // the answer to a Yes/No box
int chosenFormat = 7;
int messagesDuringCreation = 0;

void log(const std::string& entry) { calls.push_back(entry); }
int step(const std::string& entry) {
    log(entry);
    return entry == failStep ? 0 : 1;
}

uint64_t fakeNow() { return 0; }
void fakeTakeEvents() {}
void fakeWait(uint64_t) {}
void fakePresent() {}
void fakeSound(const char*, SoundMode, int) {}
int fakeBox(const char* text, const char* caption, unsigned style) {
    log(std::string("box ") + caption + " | " + text + " | " + std::to_string(style));
    return (style & mbYesNo) ? questionAnswer : idOk;
}
int fakeClock() { return 0; }
int fakeRegister() { return step("registerClass"); }
int fakeChangeMode(int w, int h, int bits) {
    return step("changeDisplayMode " + std::to_string(w) + "x" + std::to_string(h) + "x" + std::to_string(bits));
}
void fakeRestoreMode() { log("restoreDisplayMode"); }
void fakeShowCursor(int show) { log("showCursor " + std::to_string(show)); }
int fakeCreateWindow(const char* title, int w, int h, int fullscreen) {
    // The platform delivers size and activation while the window is being made.
    sendMessage(msgActivate, 0, 0);
    return step(std::string("createWindow ") + title + " " + std::to_string(w) + "x" + std::to_string(h) +
                (fullscreen ? " fullscreen" : " windowed"));
}
int fakeGetDC() { return step("getDeviceContext"); }
int fakeChoose(int bits, int depth) {
    return step("choosePixelFormat " + std::to_string(bits) + " " + std::to_string(depth)) ? chosenFormat : 0;
}
int fakeSetFormat(int format) { return step("setPixelFormat " + std::to_string(format)); }
int fakeCreateContext() { return step("createContext"); }
int fakeMakeCurrent(int current) { return step("makeCurrent " + std::to_string(current)); }
int fakeDeleteContext() { return step("deleteContext"); }
int fakeReleaseDC() { return step("releaseDeviceContext"); }
int fakeDestroyWindow() { return step("destroyWindow"); }
int fakeUnregister() { return step("unregisterClass"); }
void fakeShowWindow() { log("showWindow"); }
void fakeFinishShowing() { log("finishShowing"); }
int fakeCoverDesktop(int w, int h, int bits) {
    return step("coverDesktop " + std::to_string(w) + "x" + std::to_string(h) + "x" + std::to_string(bits));
}

const WindowSteps fakeWindowSteps = {
    fakeRegister,      fakeChangeMode,  fakeRestoreMode,  fakeShowCursor,    fakeCreateWindow, fakeGetDC,
    fakeChoose,        fakeSetFormat,   fakeCreateContext, fakeMakeCurrent,  fakeDeleteContext, fakeReleaseDC,
    fakeDestroyWindow, fakeUnregister,  fakeShowWindow,   fakeCoverDesktop, nullptr,
    fakeFinishShowing,
};

const PlatformBackend fakeBackend = {
    "recording", fakeNow, fakeTakeEvents, fakeWait, fakePresent, fakeSound, fakeBox, fakeClock, &fakeWindowSteps,
    nullptr,     nullptr,
};

intptr_t clientProc(void*, uint32_t message, uintptr_t, intptr_t) {
    if (message == msgActivate) ++messagesDuringCreation;
    return 0;
}
void clientResize(int w, int h) { log("resizeViewport " + std::to_string(w) + "x" + std::to_string(h)); }
int clientInit() { return step("initRenderer"); }

const std::vector<std::string> fullscreenCreation = {
    "registerClass",
    "changeDisplayMode 800x600x16",
    "showCursor 0",
    "createWindow Brinvale by Tolmarck 800x600 fullscreen",
    "getDeviceContext",
    "choosePixelFormat 16 16",
    "setPixelFormat 7",
    "createContext",
    "makeCurrent 1",
    "showWindow",
    "resizeViewport 800x600",
    "initRenderer",
    "finishShowing",
};

const std::vector<std::string> fullscreenTeardown = {
    "restoreDisplayMode", "showCursor 1",  "makeCurrent 0", "deleteContext", "releaseDeviceContext",
    "destroyWindow",      "unregisterClass",
};

const char* const question =
    "box Vixo GL | The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead? | 52";

std::string errorBox(const std::string& text) { return "box ERROR | " + text + " | 48"; }
std::string shutdownBox(const std::string& text) { return "box SHUTDOWN ERROR | " + text + " | 64"; }

std::vector<std::string> joined(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class GameWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        calls.clear();
        failStep.clear();
        questionAnswer = idYes;
        messagesDuringCreation = 0;
        installPlatform(&fakeBackend);
        setWindowClient({clientProc, clientResize, clientInit, nullptr});
        // Full screen by mode change, whose steps the tables below list; the desktop's own has its test.
        displayChoice = displayModeSwitch;
    }
    void TearDown() override {
        installPlatform(nullptr);
        displayChoice = displayDesktop;
    }

    static int create(int fullscreen = 1) { return createGameWindow("Brinvale by Tolmarck", 800, 600, 16, fullscreen); }
};

TEST_F(GameWindowTest, FullScreenStartRunsEveryStepInOrderAndTeardownReversesIt) {
    ASSERT_EQ(create(), 1);
    EXPECT_EQ(calls, fullscreenCreation);
    EXPECT_EQ(fullscreenMode, 1);
    EXPECT_EQ(messagesDuringCreation, 1) << "the window procedure must be reachable while the window is made";

    calls.clear();
    destroyGameWindow();
    EXPECT_EQ(calls, fullscreenTeardown) << "no shutdown box when every release succeeds";
}

// The default full screen covers the desktop as it is: the display is never asked to change its
// mode, so nothing is restored at teardown, and only the pointer comes back.
TEST_F(GameWindowTest, DesktopFullScreenNeverChangesTheDisplayMode) {
    displayChoice = displayDesktop;
    ASSERT_EQ(create(), 1);
    std::vector<std::string> expected = fullscreenCreation;
    expected[1] = "coverDesktop 800x600x16";
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(fullscreenMode, 1);

    calls.clear();
    destroyGameWindow();
    EXPECT_EQ(calls, std::vector<std::string>(fullscreenTeardown.begin() + 1, fullscreenTeardown.end()));

    // Without room on the desktop: the question, still without a mode change.
    calls.clear();
    failStep = "coverDesktop 800x600x16";
    ASSERT_EQ(create(), 1);
    EXPECT_EQ(calls[2], question);
    EXPECT_EQ(fullscreenMode, 0);
    for (const std::string& c : calls) EXPECT_NE(c.rfind("changeDisplayMode", 0), 0u);
    destroyGameWindow();
}

TEST_F(GameWindowTest, WindowedStartLeavesDisplayModeAndPointerAlone) {
    ASSERT_EQ(create(0), 1);
    EXPECT_EQ(fullscreenMode, 0);
    EXPECT_EQ(calls[1], "createWindow Brinvale by Tolmarck 800x600 windowed");
    for (const std::string& c : calls) {
        EXPECT_NE(c.rfind("changeDisplayMode", 0), 0u);
        EXPECT_NE(c.rfind("showCursor", 0), 0u);
    }
    calls.clear();
    destroyGameWindow();
    EXPECT_EQ(calls, std::vector<std::string>(fullscreenTeardown.begin() + 2, fullscreenTeardown.end()));
}

TEST_F(GameWindowTest, FailedClassRegistrationTellsTheUserWithoutTeardown) {
    failStep = "registerClass";
    EXPECT_EQ(create(), 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"registerClass", errorBox("Failed To Register The Window Class.")}));
}

TEST_F(GameWindowTest, RefusedModeAcceptedAsWindowGoesOnWindowed) {
    failStep = "changeDisplayMode 800x600x16";
    questionAnswer = idYes;
    ASSERT_EQ(create(), 1);
    EXPECT_EQ(fullscreenMode, 0);
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls[2], question);
    EXPECT_EQ(calls[3], "createWindow Brinvale by Tolmarck 800x600 windowed") << "no pointer hiding when windowed";

    calls.clear();
    destroyGameWindow();
    EXPECT_EQ(calls.front(), "makeCurrent 0") << "the desktop's mode was never changed, so it is not restored";
}

TEST_F(GameWindowTest, RefusedModeDeclinedClosesWithoutTeardown) {
    failStep = "changeDisplayMode 800x600x16";
    questionAnswer = idNo;
    EXPECT_EQ(create(), 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"registerClass", "changeDisplayMode 800x600x16", question,
                                               "box ERROR | Program Will Now Close. | 16"}));
}

// Each creation step that can fail, the text it shows and the teardown that runs before the box.
struct CreationFailure {
    const char* name;
    const char* step;
    const char* text;
    std::vector<std::string> teardown;
};
void PrintTo(const CreationFailure& f, std::ostream* os) { *os << f.name; }

template <typename Failure>
std::string caseName(const ::testing::TestParamInfo<Failure>& info) {
    return info.param.name;
}

class CreationFailureTest : public GameWindowTest, public ::testing::WithParamInterface<CreationFailure> {};

TEST_P(CreationFailureTest, TearsDownWhatExistsThenShowsItsText) {
    const CreationFailure& f = GetParam();
    failStep = f.step;
    EXPECT_EQ(create(), 0);

    std::vector<std::string> expected;
    for (const std::string& s : fullscreenCreation) {
        expected.push_back(s);
        if (s == f.step) break;
    }
    // A show still going on is over before anything is torn down.
    if (f.step == std::string("initRenderer")) expected.push_back("finishShowing");
    expected = joined(joined(expected, {"restoreDisplayMode", "showCursor 1"}), f.teardown);
    expected.push_back(errorBox(f.text));
    EXPECT_EQ(calls, expected);
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, CreationFailureTest,
    ::testing::Values(
        CreationFailure{"Window", "createWindow Brinvale by Tolmarck 800x600 fullscreen", "Window Creation Error.",
                        {"unregisterClass"}},
        CreationFailure{"DeviceContext", "getDeviceContext", "Can't Create A GL Device Context.", {"destroyWindow", "unregisterClass"}},
        CreationFailure{"ChooseFormat", "choosePixelFormat 16 16", "Can't Find A Suitable PixelFormat.",
                        {"releaseDeviceContext", "destroyWindow", "unregisterClass"}},
        CreationFailure{"SetFormat", "setPixelFormat 7", "Can't Set The PixelFormat.",
                        {"releaseDeviceContext", "destroyWindow", "unregisterClass"}},
        CreationFailure{"Context", "createContext", "Can't Create A GL Rendering Context.",
                        {"releaseDeviceContext", "destroyWindow", "unregisterClass"}},
        CreationFailure{"MakeCurrent", "makeCurrent 1", "Can't Activate The GL Rendering Context.",
                        {"makeCurrent 0", "deleteContext", "releaseDeviceContext", "destroyWindow", "unregisterClass"}},
        CreationFailure{"Renderer", "initRenderer", "Initialization Failed.",
                        {"makeCurrent 0", "deleteContext", "releaseDeviceContext", "destroyWindow",
                         "unregisterClass"}}),
    caseName<CreationFailure>);

// Each release that can fail and its box; teardown always goes on to the end.
struct ReleaseFailure {
    const char* name;
    const char* step;
    const char* text;
};
void PrintTo(const ReleaseFailure& f, std::ostream* os) { *os << f.name; }

class ReleaseFailureTest : public GameWindowTest, public ::testing::WithParamInterface<ReleaseFailure> {};

TEST_P(ReleaseFailureTest, ShowsItsBoxAndGoesOn) {
    ASSERT_EQ(create(), 1);
    calls.clear();
    failStep = GetParam().step;
    destroyGameWindow();

    std::vector<std::string> expected;
    for (const std::string& s : fullscreenTeardown) {
        expected.push_back(s);
        if (s == GetParam().step) expected.push_back(shutdownBox(GetParam().text));
    }
    EXPECT_EQ(calls, expected);
}

INSTANTIATE_TEST_SUITE_P(EveryRelease, ReleaseFailureTest,
                         ::testing::Values(ReleaseFailure{"ReleaseCurrent", "makeCurrent 0", "Release Of DC And RC Failed."},
                                           ReleaseFailure{"DeleteContext", "deleteContext", "Release Rendering Context Failed."},
                                           ReleaseFailure{"DeviceContext", "releaseDeviceContext", "Release Device Context Failed."},
                                           ReleaseFailure{"Window", "destroyWindow", "Could Not Release hWnd."},
                                           ReleaseFailure{"Class", "unregisterClass", "Could Not Unregister Class."}),
                         caseName<ReleaseFailure>);

TEST_F(GameWindowTest, TeardownReleasesNothingTwice) {
    ASSERT_EQ(create(0), 1);
    destroyGameWindow();
    calls.clear();
    destroyGameWindow();
    EXPECT_EQ(calls, std::vector<std::string>{"unregisterClass"});
}

TEST_F(GameWindowTest, PixelFormatRequestKeepsTheFirstCallsDepth) {
    ASSERT_EQ(create(0), 1);
    destroyGameWindow();
    calls.clear();
    ASSERT_EQ(createGameWindow("again", 800, 600, 24, 0), 1);
    EXPECT_EQ(calls[3], "choosePixelFormat 16 16");
    destroyGameWindow();
}

// The program's exit status: a start that failed is not reported as success.
TEST_F(GameWindowTest, GameExitsWithFailureWhenTheClassCannotBeRegistered) {
    failStep = "registerClass";
    fullscreenMode = 1;
    EXPECT_EQ(runGame(), 1);
    EXPECT_EQ(calls.back(), errorBox("Failed To Register The Window Class."));
}

TEST_F(GameWindowTest, GameExitsWithFailureWhenWindowedModeIsDeclined) {
    failStep = "changeDisplayMode 800x600x16";
    questionAnswer = idNo;
    fullscreenMode = 1;
    EXPECT_EQ(runGame(), 1);
    EXPECT_EQ(calls.back(), "box ERROR | Program Will Now Close. | 16");
}

}  // namespace
