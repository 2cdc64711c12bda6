// The SDL backend's services without a display: timers on the main thread, the event queue and key
// mapping, and sound through SDL's disk audio driver.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/platform.h"
#include "platform/sdl/sdl_backend.h"

namespace {

int ticksOf1 = 0;
void countTick(void*, uint32_t, uintptr_t, uint32_t) { ++ticksOf1; }

class SdlServices : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
        installPlatform(sdlPlatform());
        drain();
        ticksOf1 = 0;
    }
    void TearDown() override {
        killTimer(1);
        killTimer(2);
        // The keyboard's holds outlive a test; the next must not start with a key down.
        pushWindow(SDL_WINDOWEVENT_FOCUS_LOST);
        drain();
        installPlatform(nullptr);
        SDL_QuitSubSystem(SDL_INIT_EVENTS);
    }
    static void drain() {
        while (peekMessage()) {
        }
    }
    // Polls until a message comes or ms pass; the message, or message 0 on time-out.
    static Message waitForMessage(uint32_t ms) {
        uint64_t end = SDL_GetTicks64() + ms;
        while (SDL_GetTicks64() < end)
            if (peekMessage()) return lastMessage;
        return Message{0, 0, 0};
    }
    static void pushKey(uint32_t type, SDL_Keycode key, uint16_t mod = KMOD_NONE, uint8_t repeat = 0) {
        SDL_Event e{};
        e.type = type;
        e.key.keysym.sym = key;
        e.key.keysym.mod = mod;
        e.key.repeat = repeat;
        e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        SDL_PushEvent(&e);
    }
    static void pushWindow(uint8_t event, int data1 = 0, int data2 = 0) {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.event = event;
        e.window.data1 = data1;
        e.window.data2 = data2;
        SDL_PushEvent(&e);
    }
};

TEST_F(SdlServices, TimerTicksComeOneIntervalAfterTheSetAndRunInDispatch) {
    uint64_t set = SDL_GetTicks64();
    setTimer(1, 40, countTick);
    Message m = waitForMessage(2000);
    ASSERT_EQ(m.message, msgTimer);
    EXPECT_EQ(m.wParam, 1u);
    EXPECT_GE(SDL_GetTicks64() - set, 40u);
    dispatchMessage();
    EXPECT_EQ(ticksOf1, 1);
}

TEST_F(SdlServices, SettingAgainReplacesTheTimerAndItsPendingTick) {
    setTimer(1, 20, countTick);
    SDL_Delay(40);  // a tick is due now, but not yet taken
    uint64_t reset = SDL_GetTicks64();
    setTimer(1, 150, countTick);
    Message m = waitForMessage(2000);
    ASSERT_EQ(m.message, msgTimer);
    EXPECT_GE(SDL_GetTicks64() - reset, 150u);
}

TEST_F(SdlServices, AKilledTimersTickNeverArrives) {
    setTimer(1, 20, countTick);
    SDL_Delay(40);
    killTimer(1);
    EXPECT_EQ(waitForMessage(150).message, 0u);
}

TEST_F(SdlServices, TicksAreFlagsAtMostOnePendingPerTimer) {
    setTimer(1, 50, countTick);
    SDL_Delay(300);  // six intervals pass without a poll
    ASSERT_EQ(waitForMessage(10).message, msgTimer);
    // No backlog: the next tick is one interval away.
    EXPECT_FALSE(peekMessage());
}

// A loop that comes back without presenting sleeps in the poll until the next timer falls due.
TEST_F(SdlServices, AnIdlePollSleepsUntilTheNextTick) {
    setTimer(1, 80, countTick);
    const uint64_t set = SDL_GetTicks64();
    presentFrame();  // a pass that presented: the next empty poll returns at once
    EXPECT_FALSE(peekMessage());
    ASSERT_TRUE(peekMessage()) << "the second empty poll in a row must wait for the tick";
    EXPECT_EQ(lastMessage.message, msgTimer);
    EXPECT_GE(SDL_GetTicks64() - set, 80u);
}

TEST_F(SdlServices, InputComesBeforeTheQuitAndTheQuitBeforeTimerTicks) {
    setTimer(1, 5, countTick);
    SDL_Delay(20);
    postQuitMessage(7);
    pushKey(SDL_KEYDOWN, SDLK_LEFT);
    ASSERT_TRUE(peekMessage());
    EXPECT_EQ(lastMessage.message, msgKeyDown);
    ASSERT_TRUE(peekMessage());
    EXPECT_EQ(lastMessage.message, msgQuit);
    EXPECT_EQ(lastMessage.wParam, 7u);
    ASSERT_TRUE(peekMessage());
    EXPECT_EQ(lastMessage.message, msgTimer);
}

TEST_F(SdlServices, KeysMapToTheirVirtualKeyCodes) {
    const std::pair<SDL_Keycode, uintptr_t> keys[] = {
        {SDLK_RETURN, 13}, {SDLK_KP_ENTER, 13}, {SDLK_LCTRL, 17}, {SDLK_RCTRL, 17}, {SDLK_ESCAPE, 27},
        {SDLK_SPACE, 32},  {SDLK_LEFT, 37},     {SDLK_UP, 38},    {SDLK_RIGHT, 39}, {SDLK_DOWN, 40},
        {SDLK_p, 80},      {SDLK_a, 65},        {SDLK_z, 90},     {SDLK_0, 48},     {SDLK_F1, 112}};
    for (const auto& [key, code] : keys) {
        pushKey(SDL_KEYDOWN, key);
        pushKey(SDL_KEYUP, key);
        ASSERT_TRUE(peekMessage()) << key;
        EXPECT_EQ(lastMessage.message, msgKeyDown) << key;
        EXPECT_EQ(lastMessage.wParam, code) << key;
        ASSERT_TRUE(peekMessage()) << key;
        EXPECT_EQ(lastMessage.message, msgKeyUp) << key;
        EXPECT_EQ(lastMessage.wParam, code) << key;
    }
}

TEST_F(SdlServices, KeypadEightTwoFourSixAreArrowsWithNumLockOffAndKeepTheirCodeUntilReleased) {
    const struct {
        uint32_t type;
        SDL_Keycode key;
        uint16_t mod;
        Message expected;
    } steps[] = {
        {SDL_KEYDOWN, SDLK_KP_8, KMOD_NONE, {msgKeyDown, 38, 0}},
        {SDL_KEYUP, SDLK_KP_8, KMOD_NONE, {msgKeyUp, 38, 0}},
        {SDL_KEYDOWN, SDLK_KP_2, KMOD_NONE, {msgKeyDown, 40, 0}},
        {SDL_KEYDOWN, SDLK_KP_4, KMOD_NONE, {msgKeyDown, 37, 0}},
        {SDL_KEYDOWN, SDLK_KP_6, KMOD_NONE, {msgKeyDown, 39, 0}},
        {SDL_KEYDOWN, SDLK_KP_5, KMOD_NONE, {msgKeyDown, 101, 0}},
        {SDL_KEYDOWN, SDLK_KP_8, KMOD_NUM, {msgKeyDown, 104, 0}},
        {SDL_KEYDOWN, SDLK_KP_0, KMOD_NUM, {msgKeyDown, 96, 0}},
        // NumLock switched on while Left is held: the key-up still releases Left.
        {SDL_KEYUP, SDLK_KP_4, KMOD_NUM, {msgKeyUp, 37, 0}},
        {SDL_KEYDOWN, SDLK_KP_4, KMOD_NUM, {msgKeyDown, 100, 0}},
    };
    for (const auto& step : steps) {
        pushKey(step.type, step.key, step.mod);
        ASSERT_TRUE(peekMessage()) << step.key;
        EXPECT_EQ(lastMessage.message, step.expected.message) << step.key;
        EXPECT_EQ(lastMessage.wParam, step.expected.wParam) << step.key;
    }
    for (SDL_Keycode key : {SDLK_KP_2, SDLK_KP_4, SDLK_KP_5, SDLK_KP_6, SDLK_KP_8, SDLK_KP_0}) pushKey(SDL_KEYUP, key);
    drain();
}

TEST_F(SdlServices, AltHeldMakesSystemKeysAndAutoRepeatMoreKeyDowns) {
    pushKey(SDL_KEYDOWN, SDLK_LEFT, KMOD_LALT);
    pushKey(SDL_KEYDOWN, SDLK_F10);
    pushKey(SDL_KEYDOWN, SDLK_DOWN, KMOD_NONE, 1);
    pushKey(SDL_KEYDOWN, SDLK_DOWN, KMOD_NONE, 1);
    pushKey(SDL_KEYDOWN, SDLK_F13);  // no code in the game's key model: nothing
    const uint32_t expected[] = {msgSysKeyDown, msgSysKeyDown, msgKeyDown, msgKeyDown};
    for (uint32_t message : expected) {
        ASSERT_TRUE(peekMessage());
        EXPECT_EQ(lastMessage.message, message);
    }
    EXPECT_FALSE(peekMessage());
}

// Alt+Enter and F11 toggle full screen in the backend (here with no window, so nothing changes);
// the game never sees them, neither their key-downs nor their key-ups, while plain keys go on.
TEST_F(SdlServices, FullScreenTogglesNeverReachTheGame) {
    const struct {
        uint32_t type;
        SDL_Keycode key;
        uint16_t mod;
        uint8_t repeat;
        uint32_t message;  // 0: nothing
    } steps[] = {
        {SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT, 0, 0},
        {SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT, 1, 0},
        {SDL_KEYUP, SDLK_RETURN, KMOD_NONE, 0, 0},  // Alt let go first: still the toggle's
        {SDL_KEYDOWN, SDLK_KP_ENTER, KMOD_RALT, 0, 0},
        {SDL_KEYUP, SDLK_KP_ENTER, KMOD_RALT, 0, 0},
        {SDL_KEYDOWN, SDLK_F11, KMOD_NONE, 0, 0},
        {SDL_KEYDOWN, SDLK_F11, KMOD_NONE, 1, 0},
        {SDL_KEYUP, SDLK_F11, KMOD_NONE, 0, 0},
        {SDL_KEYDOWN, SDLK_RETURN, KMOD_NONE, 0, msgKeyDown},
        {SDL_KEYUP, SDLK_RETURN, KMOD_NONE, 0, msgKeyUp},
    };
    for (const auto& step : steps) {
        pushKey(step.type, step.key, step.mod, step.repeat);
        const bool any = peekMessage();
        EXPECT_EQ(any ? lastMessage.message : 0, step.message) << step.key << " " << step.type;
        if (any && step.message) {
            EXPECT_EQ(lastMessage.wParam, uintptr_t{vkReturn});
        }
    }
    // Focus lost between the toggle's key-down and its key-up: the next Return is the game's again.
    pushKey(SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT);
    pushWindow(SDL_WINDOWEVENT_FOCUS_LOST);
    pushKey(SDL_KEYDOWN, SDLK_RETURN);
    pushKey(SDL_KEYUP, SDLK_RETURN);
    for (uint32_t message : {msgActivate, msgKeyDown, msgKeyUp}) {
        ASSERT_TRUE(peekMessage());
        EXPECT_EQ(lastMessage.message, message);
    }
    EXPECT_FALSE(peekMessage());
    // The toggle's key-up lost with no focus event at all: a fresh press is new, not the held one's.
    pushKey(SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT);
    pushKey(SDL_KEYDOWN, SDLK_RETURN);
    ASSERT_TRUE(peekMessage());
    EXPECT_EQ(lastMessage.message, msgKeyDown);
    EXPECT_FALSE(peekMessage());
}

TEST_F(SdlServices, WindowEventsBecomeActivationSizeAndClose) {
    pushWindow(SDL_WINDOWEVENT_MINIMIZED);
    pushWindow(SDL_WINDOWEVENT_FOCUS_LOST);
    pushWindow(SDL_WINDOWEVENT_RESTORED);
    pushWindow(SDL_WINDOWEVENT_SIZE_CHANGED, 640, 480);
    pushWindow(SDL_WINDOWEVENT_CLOSE);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    const Message expected[] = {{msgActivate, uintptr_t{1} << 16, 0},
                                {msgActivate, uintptr_t{1} << 16, 0},  // still minimised
                                {msgActivate, 1, 0},
                                {msgSize, 0, (480 << 16) | 640},
                                {msgClose, 0, 0},
                                {msgClose, 0, 0}};
    for (const Message& want : expected) {
        ASSERT_TRUE(peekMessage());
        EXPECT_EQ(lastMessage.message, want.message);
        EXPECT_EQ(lastMessage.wParam, want.wParam);
        EXPECT_EQ(lastMessage.lParam, want.lParam);
    }
}

TEST_F(SdlServices, TerminationSignalsArriveAsTheCloseMessage) {
    // Every way of ending goes through the close message, the quit and the normal teardown.
    raise(SIGTERM);
    Message m = waitForMessage(1000);
    EXPECT_EQ(m.message, msgClose);
}

TEST_F(SdlServices, LocalClockGivesSeconds) {
    int s = localClockSeconds();
    EXPECT_GE(s, 0);
    EXPECT_LE(s, 59);
}

// ---- sound, each case in its own process since the audio device is opened once ----

// A 16-bit stereo 44.1 kHz wave of ms milliseconds whose every sample is value.
void writeWave(const std::string& path, uint32_t ms, int16_t value) {
    uint32_t frames = 44100 * ms / 1000, bytes = frames * 4;
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + bytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(2);
    u32(44100);
    u32(44100 * 4);
    u16(4);
    u16(16);
    out.write("data", 4);
    u32(bytes);
    for (uint32_t i = 0; i < frames * 2; ++i) u16(static_cast<uint16_t>(value));
}

std::string tempName(const char* tag) {
    return std::string("/tmp/brinvale-sound-") + std::to_string(getpid()) + "-" + tag;
}

// Samples of the given value in a raw 16-bit capture.
size_t countSamples(const std::string& path, int16_t value) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t n = 0;
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
        int16_t s = 0;
        std::memcpy(&s, &data[i], 2);
        if (s == value) ++n;
    }
    return n;
}

void playCapturedOnDisk() {
    std::string a = tempName("a.wav"), b = tempName("b.wav"), raw = tempName("out.raw");
    writeWave(a, 1000, 0x1111);
    writeWave(b, 200, 0x2222);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
    installPlatform(sdlPlatform());
    playSound(a.c_str(), soundBackground);
    SDL_Delay(100);
    uint64_t start = SDL_GetTicks64();
    playSound(b.c_str(), soundWait);
    uint64_t waited = SDL_GetTicks64() - start;
    SDL_Quit();  // closes the device, so the capture is complete on disk
    size_t aSamples = countSamples(raw, 0x1111), bSamples = countSamples(raw, 0x2222);
    std::remove(a.c_str());
    std::remove(b.c_str());
    std::remove(raw.c_str());
    // b played whole and was waited for; a was cut off by it.
    bool ok = waited >= 180 && bSamples == 44100 / 5 * 2 && aSamples < 44100 * 2 / 2;
    if (!ok) std::fprintf(stderr, "waited %llu ms, a %zu, b %zu samples\n", (unsigned long long)waited, aSamples, bSamples);
    std::exit(ok ? 0 : 1);
}

// The sound off from the start: nothing reaches the device, neither a background sound nor a
// waited one, which still takes its length; back on, the same file is heard whole, and turning it
// off again stops it at once.
void playSilencedOnDisk() {
    std::string a = tempName("m.wav"), raw = tempName("mute.raw");
    writeWave(a, 300, 0x5555);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
    installPlatform(sdlPlatform());
    setSoundOn(false);
    playSound(a.c_str(), soundBackground);
    uint64_t start = SDL_GetTicks64();
    playSound(a.c_str(), soundWait);
    const uint64_t silentWait = SDL_GetTicks64() - start;
    const bool deviceOpenedSilent = SDL_WasInit(SDL_INIT_AUDIO) != 0;
    setSoundOn(true);
    playSound(a.c_str(), soundWait);
    playSound(a.c_str(), soundBackground);
    SDL_Delay(60);
    start = SDL_GetTicks64();
    setSoundOn(false);
    SDL_Delay(300);
    SDL_Quit();
    const size_t heard = countSamples(raw, 0x5555);
    std::remove(a.c_str());
    std::remove(raw.c_str());
    // One whole play, and of the one cut off by the mute, much less than half.
    const size_t whole = 44100 * 300 / 1000 * 2;
    const bool ok = silentWait >= 290 && !deviceOpenedSilent && heard >= whole && heard < whole + whole / 2;
    if (!ok)
        std::fprintf(stderr, "silent wait %llu ms, device opened %d, heard %zu samples of %zu\n",
                     (unsigned long long)silentWait, deviceOpenedSilent, heard, whole);
    std::exit(ok ? 0 : 1);
}

void playWithoutDevice() {
    std::string wave = tempName("c.wav");
    writeWave(wave, 300, 0x3333);
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    installPlatform(sdlPlatform());
    uint64_t start = SDL_GetTicks64();
    playSound(wave.c_str(), soundWait);
    uint64_t silent = SDL_GetTicks64() - start;
    start = SDL_GetTicks64();
    playSound("/no/such/file.wav", soundWait);
    uint64_t missing = SDL_GetTicks64() - start;
    std::remove(wave.c_str());
    bool ok = silent >= 290 && missing < 100;
    if (!ok) std::fprintf(stderr, "silent %llu ms, missing %llu ms\n", (unsigned long long)silent, (unsigned long long)missing);
    std::exit(ok ? 0 : 1);
}

// ALSA with an empty configuration has no device, as on a machine without a sound card, and says
// so in lines of its own; the game's standard error gets its one line instead, however many sounds.
// Nor is SDL's audio left running, whose hotplug thread would keep waking.
void playWithoutSoundCard() {
    std::string wave = tempName("d.wav"), config = tempName("asound.conf"), err = tempName("stderr");
    writeWave(wave, 50, 0x4444);
    std::ofstream(config).close();
    setenv("SDL_AUDIODRIVER", "alsa", 1);
    setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
    std::fflush(stderr);
    const int kept = dup(2);
    std::FILE* captured = std::fopen(err.c_str(), "w");
    dup2(fileno(captured), 2);
    installPlatform(sdlPlatform());
    playSound(wave.c_str(), soundWait);
    playSound(wave.c_str(), soundBackground);
    const bool audioShut = SDL_WasInit(SDL_INIT_AUDIO) == 0;
    std::fflush(stderr);
    dup2(kept, 2);
    std::fclose(captured);
    std::ifstream in(err);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::remove(wave.c_str());
    std::remove(config.c_str());
    std::remove(err.c_str());
    const bool ok = lines.size() == 1 && lines[0].rfind("brinvale: no sound: ", 0) == 0 && audioShut;
    for (const std::string& line : lines) std::fprintf(stderr, "stderr: %s\n", line.c_str());
    if (!audioShut) std::fprintf(stderr, "SDL's audio still running\n");
    std::exit(ok ? 0 : 1);
}

TEST(SdlSound, NoSoundCardIsOneLineOnStandardErrorAndShutsTheAudio) {
    EXPECT_EXIT(playWithoutSoundCard(), ::testing::ExitedWithCode(0), "");
}

TEST(SdlSound, NewSoundCutsTheOneBeforeAndWaitingLastsUntilItsEnd) {
    EXPECT_EXIT(playCapturedOnDisk(), ::testing::ExitedWithCode(0), "");
}

TEST(SdlSound, SoundOffReachesNoDeviceYetWaitsItsLengthAndOnAgainIsHeard) {
    EXPECT_EXIT(playSilencedOnDisk(), ::testing::ExitedWithCode(0), "");
}

TEST(SdlSound, WithoutADeviceWaitingStillTakesTheSoundsLengthAndAMissingFileIsSilence) {
    EXPECT_EXIT(playWithoutDevice(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
