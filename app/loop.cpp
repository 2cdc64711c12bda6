// The entry function's work: start-up, the main loop with its menu and play passes, and shutdown.
#include "app/loop.h"

#include <cstdlib>
#include <cstring>

#include "app/input.h"
#include "app/keeping.h"
#include "app/settings.h"
#include "assets/textures.h"
#include "app/sounds.h"
#include "game/rules.h"
#include "platform/platform.h"
#include "platform/window.h"
#include "app/animations.h"
#include "render/renderer.h"
#include "render/scenes.h"

bool quitRequested = false;
bool inMenu = true;
bool paused = false;
int32_t menuNewSelected = 1;
int32_t rotateLatch = 0, rightLatch = 0, leftLatch = 0, downLatch = 0;

namespace {

constexpr uint32_t menuRepeatMs = 250;
constexpr uint32_t keyRepeatMs = 300;
constexpr uint32_t gravityMs = 1000;

void present(const char* scene) {
    setSceneNote(scene);
    presentFrame();
}

// ---- a pass presents only what changed ----

// Everything a pass's frame shows, so that a pass whose frame would be the one on screen presents
// nothing and the loop sleeps until the next message or tick.
struct Shown {
    const char* scene;  // the frame's note; null before the first
    Board board;
    GemColumn next;
    int32_t score;
    int32_t background;
    int32_t newGameSelected;
    int32_t keys[4];  // the key indicators'
    int32_t best, newBest;
    bool soundOff;    // its sign
    bool touch;       // the paused sign names the touch control rather than P
};

Shown shown;
uint64_t presentsWhenShown;  // the seam's count just after the pass presented it

Shown current(const char* scene) {
    Shown s;
    s.scene = scene;
    std::memcpy(s.board, board, sizeof board);
    std::memcpy(s.next, nextColumn, sizeof nextColumn);
    s.score = score;
    s.background = backgroundIndex;
    s.newGameSelected = menuNewSelected;
    s.best = bestScore;
    s.newBest = newBest;
    // The key indicators belong to the play scenes; the menu shows none, the paused view none held.
    const int keys[4] = {vkControl, vkLeft, vkDown, vkRight};
    const bool indicators = std::strcmp(scene, "menu") != 0 && std::strcmp(scene, "paused") != 0;
    for (int i = 0; i < 4; ++i) s.keys[i] = indicators && keyDown[keys[i]] != 0;
    s.soundOff = !soundOn();
    s.touch = touchInput();
    return s;
}

bool same(const Shown& a, const Shown& b) {
    return a.scene && b.scene && std::strcmp(a.scene, b.scene) == 0 && std::memcmp(a.board, b.board, sizeof a.board) == 0 &&
           std::memcmp(a.next, b.next, sizeof a.next) == 0 && a.score == b.score && a.background == b.background &&
           a.newGameSelected == b.newGameSelected && std::memcmp(a.keys, b.keys, sizeof a.keys) == 0 &&
           a.best == b.best && a.newBest == b.newBest && a.soundOff == b.soundOff && a.touch == b.touch;
}

// The screen shows something else than the pass's last frame: the platform lost it, or an
// animation or a collapse presented frames of their own since.
bool screenStale() { return pictureLost || presentCount() != presentsWhenShown; }

// The scene the next pass draws when it changed.
const char* nextScene() {
    if (inMenu) return "menu";
    if (gameOver) return "gameover";
    return paused ? "paused" : "play";
}

// A pass that changed what the next pass shows (a move, a new state) must not let the loop sleep.
void stayAwakeForChanges() {
    const char* scene = nextScene();
    if (!quitRequested && scene && !same(current(scene), shown)) keepLoopAwake();
}

// Draws and presents the scene when what it shows differs from the frame on screen.
void showScene(const char* scene, int (*draw)()) {
    const Shown now = current(scene);
    if (!screenStale() && same(now, shown)) return;
    draw();
    present(scene);
    shown = now;
    presentsWhenShown = presentCount();
    pictureLost = 0;
}

// ---- the rules' presentation ----

void showRemovalSpin() { playRemovalSpin(); }

// Gems fell: the new board is shown at once and the fall sound paces the chain.
void showCollapse() {
    drawPlayScene();
    present("collapse");
    playSound(quitSound, soundWait);
}

void announceLevel() { playSound(levelSound, soundWait); }

const RulesHooks presentation = {showRemovalSpin, showCollapse, announceLevel};

// ---- the states ----

void menuPass() {
    if (keyDown[vkEscape]) {
        playSound(quitSound, soundWait);
        quitRequested = true;
        return;
    }
    showScene("menu", drawMenu);
    if ((keyDown[vkUp] || keyDown[vkDown]) && repeatTick) {
        // With two buttons either arrow toggles the selection.
        keyDown[vkUp] = 0;
        keyDown[vkDown] = 0;
        playSound(moveSound, soundBackground);
        killTimer(repeatTimer);
        menuNewSelected = !menuNewSelected;
        if (!playMenuSlide()) quitRequested = true;
        repeatTick = 0;
        setTimer(repeatTimer, menuRepeatMs, onRepeatTimer);
    }
    if (keyDown[vkReturn] || keyDown[vkSpace] || keyDown[vkControl]) {
        if (menuNewSelected) {
            // Consumed, so the Ctrl that starts a game does not also rotate its first column.
            keyDown[vkReturn] = 0;
            keyDown[vkSpace] = 0;
            keyDown[vkControl] = 0;
            playSound(startSound, soundBackground);
            usePlayLight();
            inMenu = false;
            setTimer(fallTimer, gravityMs, onFallTimer);
            placeColumn();
        } else {
            playSound(quitSound, soundWait);
            quitRequested = true;
        }
    }
}

// The column could not step down: it lands, and unless play ended the next one is dealt.
void land() {
    landColumn();
    if (gameOver) {
        // A finished game does not come back; its score is kept instead.
        forgetGameInProgress();
        newBest = enterFinalScore(score);
        return;
    }
    killTimer(fallTimer);
    dealNextColumn();
    setTimer(fallTimer, gravityMs, onFallTimer);
    // A kill loses at most the moves since the last landing.
    noteGameInProgress();
    saveGameInProgress();
}

// A play key acts when first seen down, then again on every repeat tick while it is held.
bool keyActs(int key, int32_t latch) { return keyDown[key] && (!latch || repeatTick); }

void shiftStep(int key, int32_t* latch, bool (*shift)()) {
    if (keyActs(key, *latch)) {
        *latch = 1;
        if (shift()) {
            playSound(moveSound, soundBackground);
            killTimer(repeatTimer);
            setTimer(repeatTimer, keyRepeatMs, onRepeatTimer);
        }
    }
    if (!keyDown[key]) *latch = 0;
}

void stepOrLand() {
    if (stepDown())
        playSound(moveSound, soundBackground);
    else
        land();
}

// Gravity stops and the falling column stays where it is until resumeGame. Called on P and when the
// player looks away from a game in play.
void pauseGame() {
    paused = true;
    killTimer(fallTimer);
    // A paused game may be left for good: it is written as it stands.
    noteGameInProgress();
    saveGameInProgress();
}

void resumeGame() {
    paused = false;
    setTimer(fallTimer, gravityMs, onFallTimer);
}

void playingFrame() {
    showScene("play", drawPlayScene);

    if (keyActs(vkControl, rotateLatch)) {
        killTimer(repeatTimer);
        rotateLatch = 1;
        rotateColumn();
        setTimer(repeatTimer, keyRepeatMs, onRepeatTimer);
    }
    if (!keyDown[vkControl]) rotateLatch = 0;

    shiftStep(vkRight, &rightLatch, shiftRight);
    shiftStep(vkLeft, &leftLatch, shiftLeft);

    if (keyActs(vkDown, downLatch)) {
        // Down always restarts the gravity interval.
        killTimer(fallTimer);
        fallTick = 0;
        setTimer(fallTimer, gravityMs, onFallTimer);
        downLatch = 1;
        killTimer(repeatTimer);
        stepOrLand();
        setTimer(repeatTimer, keyRepeatMs, onRepeatTimer);
    }
    if (!keyDown[vkDown]) downLatch = 0;

    if (keyDown[vkP]) {
        keyDown[vkP] = 0;
        pauseGame();
    }
    if (fallTick) {
        fallTick = 0;
        stepOrLand();
    }
    repeatTick = 0;
}

// A game in play pauses when its window loses the focus or is minimised, and stays paused when the
// player comes back, until P. A gravity tick taken with the focus loss is dropped: play goes on with
// a full interval.
void pauseIfLookedAway() {
    if (!lookedAway) return;
    lookedAway = 0;
    if (inMenu || gameOver || paused) return;
    pauseGame();
    fallTick = 0;
}

// M turns the sound off and on in every state.
void soundKey() {
    if (!keyDown[vkM]) return;
    keyDown[vkM] = 0;
    toggleSound();
}

void returnToMenu() {
    // An abandoned game enters its score and does not come back; a finished one did both already.
    if (!gameOver) {
        forgetGameInProgress();
        enterFinalScore(score);
    }
    newBest = 0;
    killTimer(fallTimer);
    killTimer(repeatTimer);
    keyDown[vkEscape] = 0;
    playSound(quitSound, soundBackground);
    inMenu = true;
    gameOver = false;
    paused = false;
    resetGame();
    useMenuLight();
    setTimer(repeatTimer, menuRepeatMs, onRepeatTimer);
}

void playPass() {
    if (keyDown[vkEscape]) {
        returnToMenu();
    } else if (gameOver) {
        showScene("gameover", drawGameOver);
    } else if (paused) {
        // Drawn once; again only when the screen lost it or a sign changed.
        showScene("paused", drawPausedScene);
        if (keyDown[vkP]) {
            keyDown[vkP] = 0;
            resumeGame();
        }
        repeatTick = 0;
    } else {
        playingFrame();
    }
}

// The flags of input and loop at their start values, so that every run starts alike.
void resetFlags() {
    quitRequested = false;
    inMenu = true;
    gameOver = false;
    paused = false;
    menuNewSelected = 1;
    rotateLatch = rightLatch = leftLatch = downLatch = 0;
    std::memset(keyDown, 0, sizeof keyDown);
    windowActive = 1;
    lookedAway = 0;
    pictureLost = 1;
    repeatTick = 1;
    fallTick = 0;
    shown = Shown{};
}

// A game that would come back if the program ended now.
bool gameInPlay() { return !inMenu && !gameOver; }

GameScreen screenNow() {
    if (inMenu) return screenMenu;
    if (gameOver) return screenOver;
    return paused ? screenPaused : screenPlay;
}

// The renderer's start, then the scene the first pass shows drawn once unseen: a software driver
// compiles its drawing then, while the window may still be being shown, not just before the first
// present. The first pass draws it again and presents it. A renderer started again (a lost context
// given back) gets the light of the state it comes back to.
int startRenderer() {
    if (!initRenderer()) return 0;
    if (inMenu) {
        drawMenu();
    } else {
        usePlayLight();
        drawPausedScene();
    }
    return 1;
}

}  // namespace

int runGame() {
    std::srand(static_cast<unsigned>(localClockSeconds()));
    resetFlags();
    loadSettings();
    resetBoard();
    // A game left in play opens as it was, paused, instead of the menu.
    const bool resumed = restoreKept() != 0;
    if (resumed) {
        inMenu = false;
        paused = true;
    }
    setRulesHooks(&presentation);
    setWindowClient({windowProc, resizeViewport, startRenderer, setTextureScreen});
    setSceneState({keyDown, &menuNewSelected, &bestScore, &newBest});
    // The pictures decode while the window and its context are made.
    startTexturePreparation();
    const int created = createGameWindow("Brinvale by Tolmarck", 800, 600, 16, fullscreenMode);
    stopTexturePreparation();
    // The user has been told why; a failed start is not a success.
    if (!created) return 1;
    setTimer(repeatTimer, menuRepeatMs, onRepeatTimer);

    while (!quitRequested) {
        if (peekMessage()) {
            if (lastMessage.message == msgQuit)
                quitRequested = true;
            else
                dispatchMessage();
            // A game closed in play is written before the loop ends; one that lost the focus is
            // written as it pauses.
            if (quitRequested && gameInPlay()) saveGameInProgress();
            continue;
        }
        pauseIfLookedAway();
        if (!windowActive) continue;
        notePass(screenNow());
        soundKey();
        if (inMenu)
            menuPass();
        else
            playPass();
        if (gameInPlay()) noteGameInProgress();
        stayAwakeForChanges();
    }

    destroyGameWindow();
    setRulesHooks(nullptr);
    // A quit message carries its own code; every other way of quitting is a normal end.
    return lastMessage.message == msgQuit ? static_cast<int>(lastMessage.wParam) : 0;
}
