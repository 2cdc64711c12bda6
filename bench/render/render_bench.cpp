// Frame cost at 800 x 600: a clear alone against the play scene with a full board, preview, score
// and indicators, under the play light. Each frame is finished before the next starts.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "assets/textures.h"
#include "game/rules.h"
#include "platform/offscreen.h"
#include "platform/platform.h"
#include "render/renderer.h"
#include "render/scenes.h"

namespace {
int32_t keyDown[256];
int32_t menuNewSelected = 1;

// A patterned texture of the given power-of-two size, so sampling costs what a real picture costs.
GLuint patternTexture(int width, int height, int seed, GLint filter) {
    std::vector<unsigned char> texels(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < texels.size(); ++i) texels[i] = static_cast<unsigned char>((i * 37 + seed * 91) ^ (i >> 5));
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    return name;
}

// Opens the context and sets up the textures, state and a full board once per process.
bool prepareFrame() {
    static int ready = -1;
    if (ready >= 0) return ready == 1;
    ready = openOffscreenContext(800, 600);
    if (!ready) return false;
    resizeViewport(800, 600);
    int seed = 0;
    for (GLuint& t : backgroundTextures) t = patternTexture(256, 512, ++seed, GL_LINEAR);
    for (GLuint& t : gemTextures) t = patternTexture(64, 64, ++seed, GL_NEAREST);
    for (GLuint& t : digitTextures) t = patternTexture(64, 64, ++seed, GL_LINEAR);
    for (GLuint& t : menuTextures) t = patternTexture(128, 64, ++seed, GL_LINEAR);
    for (GLuint& t : keyTextures) t = patternTexture(64, 64, ++seed, GL_LINEAR);
    for (GLuint& t : signTextures) t = patternTexture(64, 64, ++seed, GL_LINEAR);
    setFixedState();
    usePlayLight();
    for (int c = 0; c < boardColumns; ++c)
        for (int r = 0; r < boardRows; ++r) board[c][r] = {0, 0, static_cast<int16_t>((c * 7 + r * 3) % 11)};
    for (int i = 0; i < 3; ++i) nextColumn[i] = {0, 0, static_cast<int16_t>(i + 2)};
    score = 12345;
    backgroundIndex = 3;
    keyDown[vkLeft] = 1;
    keyDown[vkControl] = 1;
    setSceneState({keyDown, &menuNewSelected});
    return true;
}

void BM_ClearOnlyFrame(benchmark::State& state) {
    if (!prepareFrame()) {
        state.SkipWithError("no offscreen GL context");
        return;
    }
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glFinish();
    }
}
BENCHMARK(BM_ClearOnlyFrame)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_FullPlaySceneFrame(benchmark::State& state) {
    if (!prepareFrame()) {
        state.SkipWithError("no offscreen GL context");
        return;
    }
    for (auto _ : state) {
        drawPlayScene();
        glFinish();
    }
}
BENCHMARK(BM_FullPlaySceneFrame)->Unit(benchmark::kMicrosecond)->UseRealTime();
}  // namespace

BENCHMARK_MAIN();
