// The browser backend: page events become messages, timers run on the main thread, a present waits
// for the next animation frame (ASYNCIFY), sounds go through Web Audio, boxes are in-page dialogs.
#include "platform/web/web_backend.h"

#include "platform/held_keys.h"
#include "platform/queue.h"
#include "platform/store.h"
#include "platform/web/gl1.h"
#include "platform/wave_length.h"
#include "platform/web/web_pads.h"
#include "platform/web/web_touch.h"
#include "platform/window.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

// ---- the page's side, in JavaScript (C linkage, so outside the private namespace) ----

// Sizes the canvas to the largest 4:3 box that fits its stage. With buffer, it also gets a drawing
// buffer of that box in device pixels so that the picture stays sharp, shrunk to what the browser
// grants (it may give less than asked, and not in 4:3); returns the buffer's size as height << 16 |
// width. Without buffer only the shown size changes, and the browser scales the picture there is.
EM_JS(int, pageFitCanvas, (int buffer, int hasContext), {
    var canvas = document.getElementById("canvas");
    var stage = document.getElementById("stage") || document.body;
    if (!canvas) return 0;
    var w = stage.clientWidth, h = stage.clientHeight;
    if (w * 3 > h * 4) w = Math.floor(h * 4 / 3); else h = Math.floor(w * 3 / 4);
    w = Math.max(w, 4);
    h = Math.max(h, 3);
    canvas.style.width = w + "px";
    canvas.style.height = h + "px";
    if (!buffer) return 0;
    var ratio = Module.fittedPixelRatio = window.devicePixelRatio || 1;
    var askW = Math.min(Math.round(w * ratio), 0x7FFF), askH = Math.min(Math.round(h * ratio), 0x7FFF);
    canvas.width = askW;
    canvas.height = askH;
    var gl = hasContext ? canvas.getContext("webgl") : null;
    var granted = function() {
        var gw = gl ? gl.drawingBufferWidth : 0, gh = gl ? gl.drawingBufferHeight : 0;
        return gw > 0 && gh > 0 ? [gw, gh] : [canvas.width, canvas.height];
    };
    var got = granted();
    if (got[0] < askW || got[1] < askH) {
        var scale = Math.min(got[0] / askW, got[1] / askH);
        canvas.width = Math.max(Math.floor(askW * scale), 4);
        canvas.height = Math.max(Math.floor(askH * scale), 3);
        got = granted();
    }
    return (got[1] << 16) | got[0];
});

// 1 when devicePixelRatio is no longer the one the drawing buffer was sized for: the window moved to
// a denser screen, or the page was zoomed, with no resize (no event says so everywhere, so the backend asks).
EM_JS(int, pagePixelRatioChanged, (), {
    var fitted = Module.fittedPixelRatio;
    return fitted !== undefined && (window.devicePixelRatio || 1) != fitted ? 1 : 0;
});

EM_JS(int, pageHasCanvas, (), { return document.getElementById("canvas") ? 1 : 0; });

EM_JS(void, pageSetTitle, (const char* title), { document.title = UTF8ToString(title); });

EM_JS(void, pageFocusCanvas, (), {
    var canvas = document.getElementById("canvas");
    if (canvas) canvas.focus();
});

// What the page shows and the tests read: the scene of the last frame and the count of frames.
EM_JS(void, pageFramePresented, (const char* scene), {
    var page = Module.page = Module.page || {frames: 0};
    page.frames++;
    page.scene = UTF8ToString(scene);
    if (page.scene == "menu" && page.firstMenuFrameAt === undefined) page.firstMenuFrameAt = performance.now();
});

// The key messages the game was given, newest last, for the tests to read (the last 256 kept).
EM_JS(void, pageKeyMessage, (int message, int code), {
    var page = Module.page = Module.page || {frames: 0};
    var keys = page.keys = page.keys || [];
    keys.push([message, code]);
    if (keys.length > 256) keys.shift();
});

// Resumes on the next animation frame; a hidden page gets none, so it waits a tenth of a second.
EM_ASYNC_JS(void, pageWaitFrame, (), {
    await new Promise(function(resume) {
        if (document.hidden) setTimeout(resume, 100); else requestAnimationFrame(function() { resume(); });
    });
});

// Browsers let audio start only from a user gesture: the first key press makes the context.
EM_JS(void, pageUnlockAudio, (), {
    var Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return;
    if (!Module.audio) Module.audio = {context: new Context(), buffers: {}, playing: null, wanted: ""};
    if (Module.audio.context.state == "suspended") Module.audio.context.resume();
});

// One sound at a time: a new one cuts the one playing; a null file only stops it. Before the first
// key press, silence.
EM_JS(void, pagePlaySound, (const char* file, const unsigned char* bytes, int length), {
    var audio = Module.audio;
    if (!audio) return;
    var name = file ? UTF8ToString(file) : "";
    audio.wanted = name;
    if (audio.playing) {
        try { audio.playing.stop(); } catch (e) {}
        audio.playing = null;
    }
    if (!file) return;
    if (!audio.buffers[name]) {
        var copy = HEAPU8.slice(bytes, bytes + length).buffer;
        audio.buffers[name] = audio.context.decodeAudioData(copy).catch(function() { return null; });
    }
    audio.buffers[name].then(function(buffer) {
        if (!buffer || audio.wanted != name) return;
        var source = audio.context.createBufferSource();
        source.buffer = buffer;
        source.connect(audio.context.destination);
        source.onended = function() { if (audio.playing == source) audio.playing = null; };
        if (audio.playing) try { audio.playing.stop(); } catch (e) {}
        audio.playing = source;
        source.start();
    });
});

// The in-page box: caption, text and OK, or Yes and No; resolves with the answer of the button pressed.
EM_ASYNC_JS(int, pageMessageBox, (const char* text, const char* caption, int yesNo, int idOk, int idYes, int idNo), {
    var dialog = document.getElementById("dialog");
    var message = UTF8ToString(text), title = UTF8ToString(caption);
    if (!dialog) {
        console.warn(title + ": " + message);
        return yesNo ? idNo : idOk;
    }
    document.getElementById("dialog-caption").textContent = title;
    document.getElementById("dialog-text").textContent = message;
    var buttons = document.getElementById("dialog-buttons");
    buttons.textContent = "";
    var choices = yesNo ? [["Yes", idYes], ["No", idNo]] : [["OK", idOk]];
    var answer = await new Promise(function(resolve) {
        choices.forEach(function(choice) {
            var button = document.createElement("button");
            button.textContent = choice[0];
            button.onclick = function() { resolve(choice[1]); };
            buttons.appendChild(button);
        });
        dialog.hidden = false;
        buttons.firstChild.focus();
    });
    dialog.hidden = true;
    var canvas = document.getElementById("canvas");
    if (canvas) canvas.focus();
    return answer;
});

EM_JS(void, pageShowFailure, (const char* text), {
    var panel = document.getElementById("failure");
    if (!panel) return;
    document.getElementById("failure-text").textContent = UTF8ToString(text);
    panel.hidden = false;
});

EM_JS(void, pageShowPlayAgain, (), {
    var panel = document.getElementById("ended");
    if (!panel) return;
    panel.hidden = false;
    var button = document.getElementById("play-again");
    button.onclick = function() { location.reload(); };
    button.focus();
});

EM_JS(int, pageLocalSeconds, (), { return new Date().getSeconds(); });

// A page left (closed, reloaded, put in the back-forward cache) may never run the loop again.
EM_JS(void, pageListenForLeaving, (), {
    addEventListener("pagehide", function() { _brinvalePageLeaving(); });
});

namespace {

const char* const canvasTarget = "#canvas";

// ---- events ----

// The page's steady clock in whole milliseconds, the timers' unit.
uint64_t nowMs() { return static_cast<uint64_t>(emscripten_get_now()); }

struct Page {
    bool hidden = false;
    bool blurred = false;
    bool listening = false;
    bool dialogOpen = false;
    // A resize reaches the game at its next poll; its size message makes the loop draw anew.
    bool resizePending = false;
    intptr_t bufferSize = 0;          // the drawing buffer's, as the last size message gave it
    // The browser took the GL context away; it may give it back, and then everything is rebuilt.
    bool contextLost = false;
    bool contextRestored = false;
};

Page page;

// The keys the keyboard holds for the game.
KeySource keyboard;

void post(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    queuePost(message, wParam, lParam);
    if (message == msgKeyDown || message == msgKeyUp || message == msgSysKeyDown || message == msgSysKeyUp)
        pageKeyMessage(static_cast<int>(message), static_cast<int>(wParam));
}

// A page that is hidden or has lost the focus counts as minimised, so the game stops drawing; so
// does a page whose GL context is lost, which could show nothing.
void postActivation() {
    const bool away = page.hidden || page.blurred || page.contextLost;
    post(msgActivate, activationParam(!away, away), 0);
}

EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;

void postSize() {
    const int size = pageFitCanvas(1, context > 0 ? 1 : 0);
    if (!size) return;
    page.bufferSize = size;
    post(msgSize, 0, size);
}

// The keys the game reads, whose browser defaults (scrolling, activating) must not happen.
bool isGameKey(unsigned long code) {
    switch (code) {
    case vkReturn:
    case vkControl:
    case vkEscape:
    case vkSpace:
    case vkLeft:
    case vkUp:
    case vkRight:
    case vkDown:
    case vkM:
    case vkP: return true;
    default: return false;
    }
}

// The browser's key codes are the virtual-key codes of the message model the game is written against.
EM_BOOL onKey(int eventType, const EmscriptenKeyboardEvent* e, void*) {
    if (page.dialogOpen) return EM_FALSE;
    const unsigned long code = e->keyCode;
    const bool down = eventType == EMSCRIPTEN_EVENT_KEYDOWN;
    if (down) pageUnlockAudio();
    if (code == 0 || code > 255) return EM_FALSE;
    if (down) noteTouchInput(false);
    const bool system = keyboardEvent(&keyboard, code, down, e->altKey != 0, post);
    return (!system && isGameKey(code)) || (e->ctrlKey && !e->altKey) ? EM_TRUE : EM_FALSE;
}

// A page that loses the keyboard gets no key-up for the keys still held; they are released here, as
// the desktop does, so that no key stays down for the game. Touch lets go with it.
void releaseHeldKeys() {
    sourceReleaseAll(&keyboard, post);
    touchReleaseAll();
}

// Only the page's own focus counts: the canvas or a button losing it leaves the page playing.
EM_BOOL onFocus(int eventType, const EmscriptenFocusEvent* e, void*) {
    if (std::strcmp(e->nodeName, "#window") != 0) return EM_FALSE;
    page.blurred = eventType == EMSCRIPTEN_EVENT_BLUR;
    if (page.blurred) releaseHeldKeys();
    postActivation();
    return EM_FALSE;
}

EM_BOOL onVisibility(int, const EmscriptenVisibilityChangeEvent* e, void*) {
    page.hidden = e->hidden != 0;
    if (page.hidden) releaseHeldKeys();
    postActivation();
    // A hidden tab may be discarded with no further warning: what the game keeps is written now.
    if (page.hidden) programLeaving();
    return EM_FALSE;
}

// The drawing buffer is remade at the next poll, where its size message follows at once.
void resizeWhenDrawing() {
    pageFitCanvas(0, 0);
    page.resizePending = true;
}

EM_BOOL onResize(int, const EmscriptenUiEvent*, void*) {
    resizeWhenDrawing();
    return EM_FALSE;
}

// ---- a lost GL context ----

// Preventing the default is what lets the browser restore the context later.
EM_BOOL onContextLost(int, const void*, void*) {
    page.contextLost = true;
    postActivation();
    return EM_TRUE;
}

EM_BOOL onContextRestored(int, const void*, void*) {
    page.contextRestored = true;
    return EM_TRUE;
}

int restartRendererAtBufferSize() {
    return restartRenderer(sizeWidth(page.bufferSize), sizeHeight(page.bufferSize));
}

// On the restored context: the layer's shader and buffer and the textures anew, the GL state as it
// was; the game then draws its next frame as if nothing had happened.
void rebuildContext() {
    page.contextRestored = false;
    if (!context || emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS ||
        !gl1Restore(restartRendererAtBufferSize)) {
        std::fprintf(stderr, "the restored GL context could not be set up again; the picture stays black\n");
        return;
    }
    page.contextLost = false;
    postActivation();
    post(msgPaint, 0, 0);
}

void listen(bool on) {
    if (page.listening == on) return;
    page.listening = on;
    static bool leavingHeard = false;
    if (!leavingHeard) pageListenForLeaving();
    leavingHeard = true;
    const char* window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    emscripten_set_keydown_callback(window, nullptr, EM_TRUE, on ? onKey : nullptr);
    emscripten_set_keyup_callback(window, nullptr, EM_TRUE, on ? onKey : nullptr);
    // Focus events do not bubble: outside the capture phase the window hears only its own.
    emscripten_set_focus_callback(window, nullptr, EM_FALSE, on ? onFocus : nullptr);
    emscripten_set_blur_callback(window, nullptr, EM_FALSE, on ? onFocus : nullptr);
    emscripten_set_visibilitychange_callback(nullptr, EM_TRUE, on ? onVisibility : nullptr);
    emscripten_set_resize_callback(window, nullptr, EM_TRUE, on ? onResize : nullptr);
    emscripten_set_webglcontextlost_callback(canvasTarget, nullptr, EM_TRUE, on ? onContextLost : nullptr);
    emscripten_set_webglcontextrestored_callback(canvasTarget, nullptr, EM_TRUE, on ? onContextRestored : nullptr);
    touchListen(on, post, pageUnlockAudio);
}

// Nothing pending: the browser gets the thread back until the next timer is due, or for one
// frame's time at most, so that key events can arrive. Never a busy loop.
void webWait(uint64_t dueMs) {
    constexpr uint64_t frameMs = 16;
    const uint64_t now = nowMs();
    const uint64_t due = std::min(dueMs, now + frameMs);
    emscripten_sleep(due > now ? static_cast<unsigned>(due - now) : 1);
}

void webTakeEvents() {
    if (page.contextRestored) rebuildContext();
    if (!page.resizePending && pagePixelRatioChanged()) resizeWhenDrawing();
    if (page.resizePending) {
        page.resizePending = false;
        postSize();
    }
    webPollPads(page.hidden || page.blurred, post);
}

// Touch may let go of keys now that a pass has seen them.
void webQueueEmpty() { touchPolledEmpty(); }

// The frame goes to the browser when the thread is handed back; the loop resumes on the next one,
// so the refresh rate paces drawing.
void webPresent() {
    pageFramePresented(sceneNote());
    pageWaitFrame();
}

// ---- sound ----

struct Sound {
    bool readable;
    uint32_t lengthMs;
    std::vector<unsigned char> bytes;  // the whole file, for the browser to decode
};

std::map<std::string, Sound> sounds;

const Sound& loadSound(const std::string& file) {
    auto known = sounds.find(file);
    if (known != sounds.end()) return known->second;
    Sound sound{false, 0, {}};
    if (FILE* f = std::fopen(file.c_str(), "rb")) {
        unsigned char chunk[4096];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) sound.bytes.insert(sound.bytes.end(), chunk, chunk + got);
        std::fclose(f);
        sound.readable = waveLength(sound.bytes, &sound.lengthMs);
    }
    return sounds.emplace(file, std::move(sound)).first->second;
}

// A waited sound takes its length, heard or not, so the pace of the game stays the same.
void webPlaySound(const char* file, SoundMode mode, int audible) {
    if (!audible) pagePlaySound(nullptr, nullptr, 0);
    if (!file) return;
    const Sound& sound = loadSound(file);
    if (!sound.readable) return;
    if (audible) pagePlaySound(file, sound.bytes.data(), static_cast<int>(sound.bytes.size()));
    if (mode == soundWait) emscripten_sleep(sound.lengthMs);
}

// ---- message boxes and clock ----

std::string boxTexts;  // every box shown, for the page's failure panel

int webShowMessageBox(const char* text, const char* caption, unsigned style) {
    const char* t = text ? text : "";
    const char* c = caption ? caption : "";
    boxTexts += std::string(c) + ": " + t + "\n";
    page.dialogOpen = true;
    const int answer = pageMessageBox(t, c, (style & 0x0F) == mbYesNo ? 1 : 0, idOk, idYes, idNo);
    page.dialogOpen = false;
    return answer;
}

int webLocalClockSeconds() { return pageLocalSeconds() % 60; }

// ---- the window steps, mapped onto the page ----

int windowMade = 0;
int layerOpen = 0;

int webRegisterClass() {
    listen(true);
    return 1;
}

// The browser owns the display: the page's full-screen button stands in for a mode change.
int webChangeDisplayMode(int, int, int) { return 0; }
void webRestoreDisplayMode() {}
void webShowCursor(int) {}

int webCreateWindow(const char* title, int, int, int) {
    if (windowMade || !pageHasCanvas()) return 0;
    pageSetTitle(title ? title : "");
    windowMade = 1;
    return 1;
}

// The canvas is the drawable: there is no separate device context to obtain.
int webGetDeviceContext() { return windowMade; }

// WebGL offers RGBA with a depth buffer of at least 16 bits: that one format is on offer.
int webChoosePixelFormat(int, int depthBits) { return windowMade && depthBits <= 16 ? 1 : 0; }

int webSetPixelFormat(int format) { return windowMade && format == 1 ? 1 : 0; }

int webCreateContext() {
    if (!windowMade || context) return 0;
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.premultipliedAlpha = EM_FALSE;
    attributes.majorVersion = 1;
    attributes.minorVersion = 0;
    // The layer needs no extension; enabling them all costs start-up time for nothing.
    attributes.enableExtensionsByDefault = EM_FALSE;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE made = emscripten_webgl_create_context(canvasTarget, &attributes);
    if (made <= 0) return 0;
    context = made;
    return 1;
}

// The GL 1.x layer opens its shader and buffers on the current context and closes them before the
// context is released; a layer that cannot open counts as a context that cannot be made current.
int webMakeCurrent(int current) {
    if (!current) {
        if (layerOpen) gl1Close();
        layerOpen = 0;
        return emscripten_webgl_make_context_current(0) == EMSCRIPTEN_RESULT_SUCCESS ? 1 : 0;
    }
    if (!context || emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS) return 0;
    if (!layerOpen) layerOpen = gl1Open();
    return layerOpen;
}

int webDeleteContext() {
    if (!context) return 0;
    const bool gone = emscripten_webgl_destroy_context(context) == EMSCRIPTEN_RESULT_SUCCESS;
    context = 0;
    return gone ? 1 : 0;
}

int webReleaseDeviceContext() { return windowMade; }

int webDestroyWindow() {
    if (!windowMade) return 0;
    windowMade = 0;
    return 1;
}

int webUnregisterClass() {
    listen(false);
    return 1;
}

// The screen in device pixels: what the page's full screen would give the canvas.
void webDisplaySize(int* width, int* height) {
    int cssWidth = 0, cssHeight = 0;
    emscripten_get_screen_size(&cssWidth, &cssHeight);
    const double ratio = emscripten_get_device_pixel_ratio();
    *width = static_cast<int>(cssWidth * ratio + 0.5);
    *height = static_cast<int>(cssHeight * ratio + 0.5);
}

// The canvas takes the keyboard focus and its size in device pixels.
void webShowWindow() {
    pageFocusCanvas();
    postSize();
}

const WindowSteps webWindowSteps = {
    webRegisterClass,
    webChangeDisplayMode,
    webRestoreDisplayMode,
    webShowCursor,
    webCreateWindow,
    webGetDeviceContext,
    webChoosePixelFormat,
    webSetPixelFormat,
    webCreateContext,
    webMakeCurrent,
    webDeleteContext,
    webReleaseDeviceContext,
    webDestroyWindow,
    webUnregisterClass,
    webShowWindow,
    webChangeDisplayMode,  // the page's full-screen button covers the screen, not the game
    webDisplaySize,
    nullptr,
};

const PlatformBackend webBackend = {
    "web",
    nowMs,
    webTakeEvents,
    webWait,
    webPresent,
    webPlaySound,
    webShowMessageBox,
    webLocalClockSeconds,
    &webWindowSteps,
    nullptr,
    webQueueEmpty,
};

}  // namespace

const PlatformBackend* webPlatform() { return &webBackend; }

void webShowStartFailure() { pageShowFailure(boxTexts.c_str()); }

void webShowPlayAgain() { pageShowPlayAgain(); }

// Called by the page's pagehide listener.
extern "C" EMSCRIPTEN_KEEPALIVE void brinvalePageLeaving() { programLeaving(); }
