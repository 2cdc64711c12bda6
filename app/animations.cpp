// The menu slide and the removal spin: blocking animations with their own message pumps.
#include "app/animations.h"

#include <GL/gl.h>

#include <cstdio>

#include "app/input.h"
#include "app/loop.h"
#include "app/sounds.h"
#include "assets/textures.h"
#include "game/rules.h"
#include "platform/platform.h"
#include "render/primitives.h"
#include "render/scenes.h"

namespace {

constexpr uint32_t animationTickMs = 15;
constexpr int slideDivisor = 5;
constexpr int slideSteps = 2 * slideDivisor;
constexpr int spinEndStep = 37;  // steps 1..36, 10 degrees each
constexpr float spinDegreesPerStep = 10.0f;

// The depths of the two buttons at one step of the slide toward the current selection.
void slideDepths(int step, float* newGameZ, float* quitZ) {
    const float offset = static_cast<float>(step) / static_cast<float>(slideDivisor);
    const float towardViewer = -8.8f + offset;
    const float awayFromViewer = -7.2f - offset;
    *newGameZ = menuNewSelected ? towardViewer : awayFromViewer;
    *quitZ = menuNewSelected ? awayFromViewer : towardViewer;
}

}  // namespace

bool playMenuSlide() {
    setTimer(repeatTimer, animationTickMs, onRepeatTimer);
    // Every step is drawn, the first one at once.
    keepLoopAwake();
    int step = 0;
    while (step < slideSteps) {
        repeatTick = 0;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (peekMessage()) {
            // repeatTimer is left running; the caller re-arms it.
            if (lastMessage.message == msgQuit) return false;
            dispatchMessage();
        } else {
            float newGameZ = 0.0f, quitZ = 0.0f;
            slideDepths(step, &newGameZ, &quitZ);
            drawButton(0.0f, newGameY, newGameZ, menuTextures[0]);
            drawButton(0.0f, quitY, quitZ, menuTextures[1]);
            drawSoundSign();
            char note[64];
            std::snprintf(note, sizeof note, "slide new=%.1f quit=%.1f", newGameZ, quitZ);
            setSceneNote(note);
            presentFrame();
        }
        if (repeatTick) ++step;
    }
    killTimer(repeatTimer);
    return true;
}

int playRemovalSpin() {
    int step = 1;
    // From a magic purge this replaces the running gravity interval.
    setTimer(fallTimer, animationTickMs, onFallTimer);
    playSound(startSound, soundBackground);
    keepLoopAwake();
    // A quit taken here is held back and posted again once the spin is over, so that a close
    // during the spin still ends the program after the landing.
    bool quitTaken = false;
    int quitCode = 0;
    while (step < spinEndStep) {
        if (peekMessage()) {
            if (lastMessage.message == msgQuit) {
                quitTaken = true;
                quitCode = static_cast<int>(lastMessage.wParam);
            } else {
                dispatchMessage();
            }
            continue;
        }
        drawPlayScene();
        const float angle = static_cast<float>(step) * spinDegreesPerStep;
        int spinning = 0;
        for (int x = 0; x < boardColumns; ++x) {
            for (int y = 0; y < boardRows; ++y) {
                const Cell& cell = board[x][y];
                if (!cell.marked || cell.color < 0 || cell.color > magicColor) continue;
                drawGem(cellX(x), cellY(y), boardDepth, angle, gemTextures[cell.color]);
                ++spinning;
            }
        }
        char note[64];
        std::snprintf(note, sizeof note, "spin angle=%d gems=%d", step * 10, spinning);
        setSceneNote(note);
        presentFrame();
        // fallTick is read, never cleared: once the first tick came every frame advances.
        if (fallTick) ++step;
    }
    removeMarkedGems();
    killTimer(fallTimer);
    if (quitTaken) postQuitMessage(quitCode);
    return 1;
}
