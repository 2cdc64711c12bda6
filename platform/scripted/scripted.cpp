// The scripted backend: input from a timed script on a virtual clock, and a readable trace.
#include "platform/scripted/scripted.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "platform/offscreen.h"
#include "platform/queue.h"
#include "platform/scripted/scripted_internal.h"
#include "platform/scripted/scripted_store.h"

namespace {

// One input message the script delivers once the clock reaches its time.
struct ScriptEvent {
    uint64_t time;
    Message message;
};

struct TraceLine {
    uint64_t time;
    std::string text;
    int count;
};

// Exit code of the quit the backend posts itself when the script's time limit is reached.
constexpr int limitExitCode = 3;
// How long past the limit the run may go on before the backend gives up on it.
constexpr uint64_t limitGrace = 60000;

struct ScriptState {
    std::vector<ScriptEvent> events;  // by time, then script order
    size_t nextEvent = 0;
    uint64_t now = 0;
    uint32_t frameMs = 16;
    int clockSeconds = 0;
    std::map<std::string, uint32_t> soundMs;
    std::deque<int> answers;
    std::set<std::string> failing;
    bool offscreenGl = false;
    bool contextOpen = false;
    bool traceTicks = false;
    bool traceStore = false;
    uint64_t limit = 0;
    bool limitReached = false;
    int windowWidth = 0, windowHeight = 0;
    std::vector<TraceLine> trace;
};

ScriptState state;

const std::map<std::string, int>& keyNames() {
    static const std::map<std::string, int> names = {
        {"Backspace", 8}, {"Tab", 9},    {"Return", 13}, {"Shift", 16},  {"Ctrl", 17},  {"Alt", vkAlt},
        {"Escape", 27},   {"Space", 32}, {"Left", 37},   {"Up", 38},     {"Right", 39}, {"Down", 40},
        {"F10", vkF10},
    };
    return names;
}

std::string keyName(uintptr_t code) {
    for (const auto& [name, value] : keyNames())
        if (static_cast<uintptr_t>(value) == code) return name;
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) return std::string(1, static_cast<char>(code));
    return std::to_string(code);
}

bool parseNumber(const std::string& word, uint64_t* value) {
    if (word.empty() || word.size() > 18) return false;
    char* end = nullptr;
    unsigned long long v = std::strtoull(word.c_str(), &end, 0);
    if (*end != '\0' || word[0] == '-' || word[0] == '+') return false;
    *value = v;
    return true;
}

bool parseKey(const std::string& word, uintptr_t* code) {
    auto named = keyNames().find(word);
    if (named != keyNames().end()) {
        *code = static_cast<uintptr_t>(named->second);
        return true;
    }
    if (word == "Esc") return parseKey("Escape", code);
    if (word.size() == 1 && ((word[0] >= 'A' && word[0] <= 'Z') || (word[0] >= '0' && word[0] <= '9'))) {
        *code = static_cast<uintptr_t>(word[0]);
        return true;
    }
    uint64_t v = 0;
    if (!parseNumber(word, &v) || v > 0xFFFF) return false;
    *code = static_cast<uintptr_t>(v);
    return true;
}

void trace(const std::string& text) {
    if (!state.trace.empty() && state.trace.back().text == text) {
        ++state.trace.back().count;
        return;
    }
    state.trace.push_back({state.now, text, 1});
}

// What a taken message looks like in the trace; empty when it is not traced.
std::string describe(const Message& m) {
    char text[96];
    switch (m.message) {
    case msgKeyDown: return "key down " + keyName(m.wParam);
    case msgKeyUp: return "key up " + keyName(m.wParam);
    case msgSysKeyDown: return "syskey down " + keyName(m.wParam);
    case msgSysKeyUp: return "syskey up " + keyName(m.wParam);
    case msgActivate:
        if (activationMinimised(m.wParam)) return "minimise";
        return activationActive(m.wParam) ? "restore" : "blur";
    case msgClose: return "close";
    case msgSize:
        std::snprintf(text, sizeof text, "size %d %d", sizeWidth(m.lParam), sizeHeight(m.lParam));
        return text;
    case msgSysCommand: std::snprintf(text, sizeof text, "syscommand 0x%" PRIxPTR, m.wParam); return text;
    case msgQuit: return "quit " + std::to_string(m.wParam);
    case msgTimer: return state.traceTicks ? "tick " + std::to_string(m.wParam) : "";
    default: return "message " + std::to_string(m.message);
    }
}

std::string quoted(const char* s) {
    std::string out = "\"";
    for (const char* p = s ? s : ""; *p; ++p) {
        if (*p == '\n')
            out += "\\n";
        else if (*p == '"' || *p == '\\')
            out += std::string("\\") + *p;
        else
            out += *p;
    }
    return out + "\"";
}

// ---- script reading ----

struct Parser {
    uint64_t lastTime = 0;
    std::string error;
    // Keys held with the keyboard's own repeat: key code -> (time of the down, repeat interval).
    std::map<uintptr_t, std::pair<uint64_t, uint64_t>> repeating;
    // The records the script's `record` lines fill, put in the store once the whole script is read.
    std::map<RecordName, std::string> records;

    void add(uint64_t time, uint32_t message, uintptr_t wParam, intptr_t lParam) {
        state.events.push_back({time, {message, wParam, lParam}});
    }

    // The keyboard's own repeat: further key-downs every interval until the key goes up.
    void endRepeat(uintptr_t code, uint64_t upTime) {
        auto it = repeating.find(code);
        if (it == repeating.end()) return;
        for (uint64_t t = it->second.first + it->second.second; t < upTime; t += it->second.second)
            add(t, msgKeyDown, code, 0);
        repeating.erase(it);
    }

    bool event(uint64_t time, const std::vector<std::string>& w) {
        const std::string& what = w[0];
        uintptr_t code = 0;
        uint64_t x = 0, y = 0;
        if (what == "keydown" || what == "keyup" || what == "syskeydown" || what == "syskeyup") {
            bool repeats = what == "keydown" && w.size() == 4 && w[2] == "repeat";
            if (w.size() != 2 && !repeats) return fail("malformed " + what);
            if (!parseKey(w[1], &code)) return fail("unknown key '" + w[1] + "'");
            bool down = what == "keydown" || what == "syskeydown";
            bool sys = what != "keydown" && what != "keyup";
            if (what == "keyup") endRepeat(code, time);
            add(time, sys ? (down ? msgSysKeyDown : msgSysKeyUp) : (down ? msgKeyDown : msgKeyUp), code, 0);
            if (repeats) {
                if (!parseNumber(w[3], &x) || x == 0) return fail("bad repeat interval");
                repeating[code] = {time, x};
            }
            return true;
        }
        if (what == "minimise" || what == "restore" || what == "blur" || what == "close") {
            if (w.size() != 1) return fail("too many words");
            if (what == "close")
                add(time, msgClose, 0, 0);
            else
                add(time, msgActivate, activationParam(what == "restore", what == "minimise"), 0);
            return true;
        }
        if (what == "size") {
            if (w.size() != 3 || !parseNumber(w[1], &x) || !parseNumber(w[2], &y) || x > 0xFFFF || y > 0xFFFF)
                return fail("bad size");
            add(time, msgSize, 0, sizeParam(static_cast<int>(x), static_cast<int>(y)));
            return true;
        }
        if (what == "syscommand") {
            if (w.size() != 2 || !parseNumber(w[1], &x)) return fail("bad syscommand");
            add(time, msgSysCommand, static_cast<uintptr_t>(x), 0);
            return true;
        }
        return fail("unknown event '" + what + "'");
    }

    bool setting(const std::vector<std::string>& w) {
        const std::string& what = w[0];
        uint64_t x = 0;
        if (what == "sound") {
            if (w.size() != 3 || !parseNumber(w[2], &x) || x > 600000) return fail("sound needs a file and a length");
            state.soundMs[w[1]] = static_cast<uint32_t>(x);
            return true;
        }
        if (w.size() != 2) return fail(what + " takes one word");
        const std::string& a = w[1];
        if (what == "frame") {
            if (!parseNumber(a, &x) || x == 0 || x > 10000) return fail("bad frame time");
            state.frameMs = static_cast<uint32_t>(x);
        } else if (what == "clock") {
            if (!parseNumber(a, &x) || x > 59) return fail("clock seconds lie in 0..59");
            state.clockSeconds = static_cast<int>(x);
        } else if (what == "answer") {
            if (a == "ok")
                state.answers.push_back(idOk);
            else if (a == "yes")
                state.answers.push_back(idYes);
            else if (a == "no")
                state.answers.push_back(idNo);
            else
                return fail("answer is ok, yes or no");
        } else if (what == "fail") {
            static const std::set<std::string> steps = {
                "registerClass", "coverDesktop", "changeDisplayMode", "createWindow",  "getDeviceContext",
                "choosePixelFormat", "setPixelFormat", "createContext", "makeCurrent",
                "deleteContext", "releaseDeviceContext", "destroyWindow", "unregisterClass"};
            if (!steps.count(a)) return fail("unknown window step '" + a + "'");
            state.failing.insert(a);
        } else if (what == "gl") {
            if (a != "offscreen" && a != "none") return fail("gl is offscreen or none");
            state.offscreenGl = a == "offscreen";
        } else if (what == "trace") {
            if (a != "ticks" && a != "store") return fail("trace takes 'ticks' or 'store'");
            (a == "ticks" ? state.traceTicks : state.traceStore) = true;
        } else if (what == "limit") {
            if (!parseNumber(a, &x)) return fail("bad limit");
            state.limit = x;
        } else {
            return fail("unknown command '" + what + "'");
        }
        return true;
    }

    // `record NAME TEXT`: TEXT, the rest of the line as written, is the next line of the record.
    bool record(const std::string& text, const std::vector<std::string>& w) {
        static const std::map<std::string, RecordName> names = {
            {"game", recordGame}, {"scores", recordScores}, {"settings", recordSettings}};
        if (w.size() < 2) return fail("record needs a name");
        auto name = names.find(w[1]);
        if (name == names.end()) return fail("record is game, scores or settings");
        size_t at = text.find(w[1], text.find("record") + 6) + w[1].size();
        if (at < text.size()) ++at;  // the one space after the name
        records[name->second] += text.substr(std::min(at, text.size())) + "\n";
        return true;
    }

    bool line(const std::string& text) {
        std::istringstream in(text);
        std::vector<std::string> w;
        for (std::string word; in >> word;) w.push_back(word);
        if (w.empty() || w[0][0] == '#') return true;
        if (w[0] == "record") return record(text, w);
        if (w[0] != "at") return setting(w);
        if (w.size() < 3) return fail("an event needs a time and a name");
        const std::string& when = w[1];
        uint64_t t = 0;
        bool relative = when[0] == '+';
        if (!parseNumber(relative ? when.substr(1) : when, &t)) return fail("bad time '" + when + "'");
        if (relative) t += lastTime;
        if (t < lastTime) return fail("times must not go back");
        lastTime = t;
        return event(t, std::vector<std::string>(w.begin() + 2, w.end()));
    }

    bool fail(const std::string& why) {
        error = why;
        return false;
    }
};

void resetState() {
    state = ScriptState();
    queueReset();
    state.soundMs = {{"pic/move.wav", 60}, {"pic/spdup.wav", 300}, {"pic/graw.wav", 250}, {"pic/up.wav", 700}};
}

// ---- the backend ----

uint64_t scriptedNowMs() { return state.now; }

// Once past the limit the run is ended with a quit of its own; far past it, the program is stuck.
void checkLimit() {
    if (state.now < state.limit) return;
    if (!state.limitReached) {
        state.limitReached = true;
        trace("limit reached");
        postQuitMessage(limitExitCode);
    } else if (state.now >= state.limit + limitGrace) {
        trace("stuck past the limit");
        std::fputs(scriptedTrace().c_str(), stderr);
        std::_Exit(4);
    }
}

// The script's input whose time has come goes into the queue.
void scriptedTakeEvents() {
    checkLimit();
    for (; state.nextEvent < state.events.size() && state.events[state.nextEvent].time <= state.now; ++state.nextEvent) {
        const Message& m = state.events[state.nextEvent].message;
        queuePost(m.message, m.wParam, m.lParam);
    }
}

// The program is idling (minimised or paused): time moves on to whatever comes next.
void scriptedWait(uint64_t dueMs) {
    uint64_t next = std::min(dueMs, state.limitReached ? state.limit + limitGrace : state.limit);
    if (state.nextEvent < state.events.size()) next = std::min(next, state.events[state.nextEvent].time);
    if (next > state.now) state.now = next;
}

void scriptedWatch(QueueEvent what, const Message& m) {
    switch (what) {
    case queueTaken: {
        const std::string text = describe(m);
        if (!text.empty()) trace(m.message == msgTimer ? text : "take " + text);
        return;
    }
    case queueTimerSet: trace("timer set " + std::to_string(m.wParam) + " " + std::to_string(m.lParam)); return;
    case queueTimerKilled: trace("timer kill " + std::to_string(m.wParam)); return;
    case queueQuitPosted: trace("post quit " + std::to_string(m.wParam)); return;
    }
}

void scriptedPresent() {
    trace(std::string("present ") + sceneNote());
    if (state.contextOpen) presentOffscreen();
    state.now += state.frameMs;
}

// A sound played with the sound off is traced as silent; it still takes its length.
void scriptedSound(const char* file, SoundMode mode, int audible) {
    if (!file) {
        trace("sound stop");
        return;
    }
    std::string name = file;
    trace("sound " + name + (mode == soundWait ? " wait" : " background") + (audible ? "" : " silent"));
    if (mode != soundWait) return;
    auto length = state.soundMs.find(name);
    if (length != state.soundMs.end()) state.now += length->second;
}

int scriptedBox(const char* text, const char* caption, unsigned style) {
    bool yesNo = (style & 0x0F) == mbYesNo;
    int answer = yesNo ? idYes : idOk;
    if (!state.answers.empty()) {
        answer = state.answers.front();
        state.answers.pop_front();
    }
    const char* shown = answer == idYes ? "yes" : answer == idNo ? "no" : "ok";
    char styleText[16];
    std::snprintf(styleText, sizeof styleText, "0x%02x", style);
    trace("box " + quoted(caption) + " " + quoted(text) + " " + styleText + " -> " + shown);
    return answer;
}

int scriptedClock() { return state.clockSeconds; }

// A window step: succeeds unless the script names it to fail.
int step(const char* name) {
    if (!state.failing.count(name)) return 1;
    trace(std::string("window ") + name + " failed");
    return 0;
}

int scriptedRegisterClass() { return step("registerClass"); }
int scriptedChangeDisplayMode(int, int, int) { return step("changeDisplayMode"); }
int scriptedCoverDesktop(int, int, int) { return step("coverDesktop"); }
void scriptedRestoreDisplayMode() {}
void scriptedShowCursor(int) {}
int scriptedCreateWindow(const char*, int width, int height, int fullscreen) {
    if (!step("createWindow")) return 0;
    state.windowWidth = width;
    state.windowHeight = height;
    trace("window " + std::to_string(width) + "x" + std::to_string(height) + (fullscreen ? " fullscreen" : " windowed"));
    return 1;
}
int scriptedGetDeviceContext() { return step("getDeviceContext"); }
int scriptedChoosePixelFormat(int, int) { return step("choosePixelFormat"); }
int scriptedSetPixelFormat(int) { return step("setPixelFormat"); }
int scriptedCreateContext() {
    if (!step("createContext")) return 0;
    if (!state.offscreenGl) return 1;
    state.contextOpen = openOffscreenContext(state.windowWidth, state.windowHeight) == 1;
    if (!state.contextOpen) trace("window offscreen context unavailable");
    return state.contextOpen ? 1 : 0;
}
int scriptedMakeCurrent(int) { return step("makeCurrent"); }
// The offscreen context stays open for the process and serves the next run: closing it unloads the
// GL driver, whose own allocations would then read as leaks.
int scriptedDeleteContext() {
    state.contextOpen = false;
    return step("deleteContext");
}
int scriptedReleaseDeviceContext() { return step("releaseDeviceContext"); }
int scriptedDestroyWindow() {
    if (!step("destroyWindow")) return 0;
    trace("window destroyed");
    return 1;
}
int scriptedUnregisterClass() { return step("unregisterClass"); }
void scriptedShowWindow() {}

const WindowSteps scriptedWindowSteps = {
    scriptedRegisterClass,
    scriptedChangeDisplayMode,
    scriptedRestoreDisplayMode,
    scriptedShowCursor,
    scriptedCreateWindow,
    scriptedGetDeviceContext,
    scriptedChoosePixelFormat,
    scriptedSetPixelFormat,
    scriptedCreateContext,
    scriptedMakeCurrent,
    scriptedDeleteContext,
    scriptedReleaseDeviceContext,
    scriptedDestroyWindow,
    scriptedUnregisterClass,
    scriptedShowWindow,
    scriptedCoverDesktop,
    nullptr,  // a script's window stands on no display
    nullptr,
};

const PlatformBackend scriptedBackend = {
    "scripted",
    scriptedNowMs,
    scriptedTakeEvents,
    scriptedWait,
    scriptedPresent,
    scriptedSound,
    scriptedBox,
    scriptedClock,
    &scriptedWindowSteps,
    scriptedWatch,
    nullptr,
};

}  // namespace

int loadScript(const std::string& text, std::string* error) {
    resetState();
    Parser parser;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (!parser.line(line)) {
            if (error) *error = "line " + std::to_string(number) + ": " + parser.error;
            resetState();
            return 0;
        }
    }
    if (!parser.repeating.empty()) {
        if (error) *error = "a key held with repeat is never released: " + keyName(parser.repeating.begin()->first);
        resetState();
        return 0;
    }
    std::stable_sort(state.events.begin(), state.events.end(),
                     [](const ScriptEvent& a, const ScriptEvent& b) { return a.time < b.time; });
    if (state.limit == 0) state.limit = parser.lastTime + 10000;
    for (const auto& [name, text] : parser.records) setScriptedRecord(name, text);
    return 1;
}

int loadScriptFile(const char* path, std::string* error) {
    std::ifstream in(path ? path : "");
    if (!in) {
        if (error) *error = std::string("cannot read ") + (path ? path : "");
        return 0;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return loadScript(text.str(), error);
}

const PlatformBackend* scriptedPlatform() { return &scriptedBackend; }

void traceStore(const std::string& text) {
    if (state.traceStore) trace("store " + text);
}

void traceExit(int code) { trace("exit " + std::to_string(code)); }

std::string scriptedTrace() {
    std::string out;
    char head[32];
    for (const TraceLine& line : state.trace) {
        std::snprintf(head, sizeof head, "%7" PRIu64 " ", line.time);
        out += head + line.text;
        if (line.count > 1) out += " x" + std::to_string(line.count);
        out += "\n";
    }
    return out;
}

uint64_t scriptedNow() { return state.now; }
