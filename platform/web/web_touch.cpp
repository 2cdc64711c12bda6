// Touch and mouse on the page become key messages: a control holds its key while a finger stays on
// it, a swipe on the picture presses an arrow per cell of travel, a tap cycles, and a tap on a menu
// button selects it and then chooses it. Every press is held until a pass of the loop has seen it.
#include "platform/web/web_touch.h"

#include "platform/platform.h"

#include <emscripten.h>

#include <cmath>

// ---- the page's side, in JavaScript ----

// Pointer events of the controls (buttons with a data-key) and of the canvas, sent to the functions
// below. A finger that slides off a control lets it go; one that slides onto another presses that.
EM_JS(void, pageListenTouch, (int on), {
    var touch = Module.touch;
    if (!touch) {
        touch = Module.touch = {on: false, holding: {}};
        var control = function(key, down) { if (touch.on) Module["_brinvaleTouchControl"](key, down); };
        var hold = function(id, key) {
            if (touch.holding[id] === key) return;
            letGo(id);
            touch.holding[id] = key;
            control(key, 1);
        };
        var letGo = function(id) {
            if (touch.holding[id] === undefined) return;
            var key = touch.holding[id];
            delete touch.holding[id];
            control(key, 0);
        };
        document.querySelectorAll("[data-key]").forEach(function(button) {
            var key = Number(button.dataset.key);
            button.addEventListener("pointerdown", function(e) {
                e.preventDefault();
                if (button.hasPointerCapture(e.pointerId)) button.releasePointerCapture(e.pointerId);
                hold(e.pointerId, key);
            });
            button.addEventListener("pointerover", function(e) { if (e.buttons & 1) hold(e.pointerId, key); });
            ["pointerup", "pointercancel", "pointerleave"].forEach(function(type) {
                button.addEventListener(type, function(e) { if (touch.holding[e.pointerId] === key) letGo(e.pointerId); });
            });
            button.addEventListener("contextmenu", function(e) { e.preventDefault(); });
        });
        var canvas = document.getElementById("canvas");
        if (canvas) {
            var send = function(phase, e) {
                if (!touch.on) return;
                var box = canvas.getBoundingClientRect();
                Module["_brinvaleTouchPointer"](phase, e.pointerId, e.clientX - box.left, e.clientY - box.top,
                                                Math.round(box.width), Math.round(box.height), e.timeStamp,
                                                e.pointerType == "touch" ? 1 : 0);
            };
            canvas.addEventListener("pointerdown", function(e) {
                if (e.button > 0) return;
                e.preventDefault();
                try { canvas.setPointerCapture(e.pointerId); } catch (error) {}
                send(0, e);
            });
            canvas.addEventListener("pointermove", function(e) { send(1, e); });
            canvas.addEventListener("pointerup", function(e) { send(2, e); });
            canvas.addEventListener("pointercancel", function(e) { send(3, e); });
            canvas.addEventListener("contextmenu", function(e) { e.preventDefault(); });
        }
    }
    touch.on = !!on;
    touch.holding = {};
});

namespace {

// A touch key goes down, is held while wanted, goes up, and each change waits for a pass to see it.
enum class Phase { idle, down, up };
enum class Stage { posted, delivered, served };  // in the queue; taken by a poll; seen by a pass

struct TouchKey {
    int fingers = 0;  // controls held on this key
    int pulses = 0;   // presses still wanted by gestures and menu taps
    Phase phase = Phase::idle;
    Stage stage = Stage::served;
};

// The keys touch can press.
const int touchKeyCodes[] = {vkReturn, vkControl, vkEscape, vkLeft, vkUp, vkRight, vkDown, vkM, vkP};

constexpr int mostPulses = 16;          // a swipe the length of the well, no more
constexpr float leastStepPixels = 12;   // a finger's jitter is not a cell of travel
constexpr double longestTapMs = 500;

struct Gesture {
    bool active = false;
    int id = 0;
    float startX = 0, startY = 0;
    float stepX = 0, stepY = 0;  // where the last step was counted from
    double startMs = 0;
    enum { none, across, down } axis = none;
};

struct Touch {
    PostMessageProc post = nullptr;
    void (*gesture)() = nullptr;
    TouchSceneMap map = {};
    KeySource source = {};
    TouchKey keys[256];
    Gesture swipe;
    int menuTarget = -1;  // the menu button a tap chose, until its choice is sent
    int menuTries = 0;
    uint64_t passesSeen = 0;  // the loop's passes at the last empty poll
};

Touch touch;

// The menu's passes, its slide included.
bool inMenu() { return shownScreen() == screenMenu; }

bool busy(int key) { return touch.keys[key].phase != Phase::idle || touch.keys[key].pulses > 0; }

// Moves one key on as far as its stage lets it: a press seen by a pass may go up, a release seen by
// a pass makes room for the next press.
void advance(int key) {
    TouchKey& k = touch.keys[key];
    if (k.stage != Stage::served || !touch.post) return;
    if (k.phase == Phase::down && k.fingers == 0) {
        sourceRelease(&touch.source, static_cast<uintptr_t>(key), touch.post);
        k.phase = Phase::up;
        k.stage = Stage::posted;
        return;
    }
    if (k.phase == Phase::up) k.phase = Phase::idle;
    if (k.phase == Phase::idle && (k.fingers > 0 || k.pulses > 0)) {
        if (k.fingers == 0) --k.pulses;
        sourcePress(&touch.source, static_cast<uintptr_t>(key), touch.post);
        k.phase = Phase::down;
        k.stage = Stage::posted;
    }
}

void advanceAll() {
    for (int key : touchKeyCodes) advance(key);
}

// One press of key for a gesture; a press of the opposite arrow still waiting cancels instead.
void pulse(int key) {
    const int opposite = key == vkLeft ? vkRight : key == vkRight ? vkLeft : 0;
    if (opposite && touch.keys[opposite].pulses > 0) {
        --touch.keys[opposite].pulses;
        return;
    }
    if (touch.keys[key].pulses < mostPulses) ++touch.keys[key].pulses;
    advance(key);
}

// The keys taken from the queue have now been seen by the pass that follows.
void serve() {
    for (int key : touchKeyCodes)
        if (touch.keys[key].stage == Stage::delivered) touch.keys[key].stage = Stage::served;
}

// A menu tap: Up or Down until the tapped button is the selected one, then Return chooses it.
void menuStep() {
    if (touch.menuTarget < 0 || !inMenu()) return;
    if (busy(vkUp) || busy(vkDown) || busy(vkReturn) || !touch.map.menuSelected) return;
    if (touch.map.menuSelected() == touch.menuTarget) {
        pulse(vkReturn);
        touch.menuTarget = -1;
    } else if (++touch.menuTries > 8) {
        touch.menuTarget = -1;  // the selection would not follow (a key held elsewhere)
    } else {
        pulse(touch.menuTarget == 0 ? vkUp : vkDown);
    }
}

float stepPixels(int width, int height) {
    const float cell = touch.map.boardCellPixels ? touch.map.boardCellPixels(width, height) : 0.0f;
    return cell > leastStepPixels ? cell : leastStepPixels;
}

void pointer(int phase, int id, float x, float y, int width, int height, double ms) {
    Gesture& g = touch.swipe;
    if (phase == 0) {
        if (g.active) return;  // one finger steers; the others are ignored
        g = Gesture{};
        g.active = true;
        g.id = id;
        g.startX = g.stepX = x;
        g.startY = g.stepY = y;
        g.startMs = ms;
        return;
    }
    if (!g.active || g.id != id) return;
    if (phase == 3) {
        g.active = false;
        return;
    }
    const float step = stepPixels(width, height);
    if (!inMenu()) {
        if (g.axis == Gesture::none && (std::fabs(x - g.startX) >= step || std::fabs(y - g.startY) >= step))
            g.axis = std::fabs(x - g.startX) >= std::fabs(y - g.startY) ? Gesture::across : Gesture::down;
        if (g.axis == Gesture::across) {
            for (; x - g.stepX >= step; g.stepX += step) pulse(vkRight);
            for (; g.stepX - x >= step; g.stepX -= step) pulse(vkLeft);
        } else if (g.axis == Gesture::down) {
            if (y < g.stepY) g.stepY = y;  // travel back up does not count, nor undo
            for (; y - g.stepY >= step; g.stepY += step) pulse(vkDown);
        }
    }
    if (phase != 2) return;
    g.active = false;
    if (g.axis != Gesture::none || ms - g.startMs > longestTapMs) return;
    if (inMenu()) {
        const int button = touch.map.menuButtonAt ? touch.map.menuButtonAt(x, y, width, height) : -1;
        if (button >= 0) {
            touch.menuTarget = button;
            touch.menuTries = 0;
        }
    } else {
        pulse(vkControl);
    }
}

}  // namespace

// ---- called by the page ----

// A control (data-key) pressed or let go. The controls show on touch screens only, so the paused
// sign names them from now on.
extern "C" EMSCRIPTEN_KEEPALIVE void brinvaleTouchControl(int key, int down) {
    if (key <= 0 || key > 255) return;
    if (down) noteTouchInput(true);
    if (touch.gesture) touch.gesture();
    TouchKey& k = touch.keys[key];
    if (down)
        ++k.fingers;
    else if (k.fingers > 0)
        --k.fingers;
    advance(key);
}

// A pointer on the canvas: phase 0 down, 1 move, 2 up, 3 cancelled; x, y from the canvas's top left
// in a width x height box; ms the event's time; finger 1 for a touch, 0 for a mouse or pen, whose
// click gives the keyboard back rather than tells of a touch screen.
extern "C" EMSCRIPTEN_KEEPALIVE void brinvaleTouchPointer(int phase, int id, float x, float y, int width, int height,
                                                          double ms, int finger) {
    if (phase == 0 && finger) noteTouchInput(true);
    if (phase != 1 && touch.gesture) touch.gesture();
    pointer(phase, id, x, y, width, height, ms);
}

// ---- called by the backend ----

void touchListen(bool on, PostMessageProc post, void (*gesture)()) {
    if (!on) touchReleaseAll();
    touch.post = on ? post : nullptr;
    touch.gesture = on ? gesture : nullptr;
    pageListenTouch(on ? 1 : 0);
}

void touchSetSceneMap(const TouchSceneMap& map) { touch.map = map; }

void touchPolledEmpty() {
    const uint64_t passes = passCount();
    const bool passRan = passes != touch.passesSeen;
    touch.passesSeen = passes;
    if (passRan) serve();
    for (int key : touchKeyCodes)
        if (touch.keys[key].stage == Stage::posted) touch.keys[key].stage = Stage::delivered;
    if (!passRan) return;
    advanceAll();
    menuStep();
}

void touchReleaseAll() {
    if (touch.post) sourceReleaseAll(&touch.source, touch.post);
    for (int key : touchKeyCodes) touch.keys[key] = TouchKey{};
    touch.swipe.active = false;
    touch.menuTarget = -1;
}
