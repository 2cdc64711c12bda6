// brinvale-scenes [--size WxH] OUTDIR: draws each scene offscreen with the game's pictures (./pic),
// at 800 x 600 or the given size (the picture a 4:3 box inside it), and writes menu-new.png,
// menu-quit.png, play.png, paused.png, paused-touch.png and game-over.png into OUTDIR; the menu with
// the new game selected, the paused views and the finished game with the sound off.
#include <GL/gl.h>
#include <stb_image_write.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "game/rules.h"
#include "platform/offscreen.h"
#include "platform/platform.h"
#include "render/renderer.h"
#include "render/scenes.h"

namespace {
// The loop's state as the scenes show it.
int32_t keyDown[256];
int32_t menuNewSelected = 1;
int32_t bestScore = 2650;
int32_t newBest = 0;

int frameWidth = 800, frameHeight = 600;

// Reads the back buffer and writes it top row first as PNG; false when the file could not be written.
bool writeFrame(const std::filesystem::path& file) {
    std::vector<unsigned char> pixels(size_t(frameWidth) * size_t(frameHeight) * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, frameWidth, frameHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    stbi_flip_vertically_on_write(1);
    const bool written = stbi_write_png(file.c_str(), frameWidth, frameHeight, 3, pixels.data(), frameWidth * 3) != 0;
    if (!written) std::fprintf(stderr, "brinvale-scenes: cannot write %s\n", file.c_str());
    return written;
}

void setCell(int column, int row, int color) { board[column][row] = {0, 0, static_cast<int16_t>(color)}; }

// A game some way in: uneven stacks, the falling column part-way down, six colours, the second
// background, Left held.
void dealMidGame() {
    static const int stackHeights[boardColumns] = {9, 11, 7, 4, 10, 8, 12, 6};
    for (auto& column : board)
        for (Cell& cell : column) cell = emptyCell;
    unsigned seed = 12345;
    for (int c = 0; c < boardColumns; ++c)
        for (int r = boardRows - stackHeights[c]; r < boardRows; ++r) {
            seed = seed * 1103515245u + 12345u;
            setCell(c, r, static_cast<int>((seed >> 16) % 6));
        }
    setCell(3, 3, 2);
    setCell(3, 4, 5);
    setCell(3, 5, 0);
    nextColumn[0] = {0, 0, 1};
    nextColumn[1] = {0, 0, 4};
    nextColumn[2] = {0, 0, 3};
    score = 137;
    backgroundIndex = 2;
    keyDown[vkLeft] = 1;
}

// The moment play ends: the well full to its top, a magic column waiting, a new best score.
void dealFinishedGame() {
    for (int c = 0; c < boardColumns; ++c)
        for (int r = 0; r < boardRows; ++r) setCell(c, r, (3 * c + 5 * r + r / 3) % 10);
    for (Cell& cell : nextColumn) cell = {0, 0, magicColor};
    score = 4711;
    newBest = 1;
    backgroundIndex = 5;
    keyDown[vkLeft] = 0;
    keyDown[vkDown] = 1;
}
}  // namespace

int main(int argc, char** argv) {
    int first = 1;
    if (argc == 4 && std::strcmp(argv[1], "--size") == 0) {
        char end = 0;
        if (std::sscanf(argv[2], "%dx%d%c", &frameWidth, &frameHeight, &end) != 2 || frameWidth < 1 || frameHeight < 1 ||
            frameWidth > 16384 || frameHeight > 16384) {
            std::fprintf(stderr, "brinvale-scenes: --size wants WIDTHxHEIGHT, such as 3840x2160\n");
            return 2;
        }
        first = 3;
    }
    if (argc != first + 1) {
        std::fprintf(stderr, "usage: brinvale-scenes [--size WxH] OUTDIR   (run where the game's pic/ folder is)\n");
        return 2;
    }
    const std::filesystem::path outDir = argv[first];
    std::error_code error;
    std::filesystem::create_directories(outDir, error);
    if (error) {
        std::fprintf(stderr, "brinvale-scenes: cannot create %s: %s\n", argv[first], error.message().c_str());
        return 1;
    }
    if (!openOffscreenContext(frameWidth, frameHeight)) return 1;
    resizeViewport(frameWidth, frameHeight);
    if (!initRenderer()) {
        std::fprintf(stderr, "brinvale-scenes: the pictures in ./pic could not all be loaded\n");
        return 1;
    }
    setSceneState({keyDown, &menuNewSelected, &bestScore, &newBest});
    bool ok = true;
    menuNewSelected = 1;
    setSoundOn(false);
    drawMenu();
    ok = writeFrame(outDir / "menu-new.png") && ok;
    setSoundOn(true);
    menuNewSelected = 0;
    drawMenu();
    ok = writeFrame(outDir / "menu-quit.png") && ok;

    usePlayLight();
    dealMidGame();
    drawPlayScene();
    ok = writeFrame(outDir / "play.png") && ok;
    setSoundOn(false);
    drawPausedScene();
    ok = writeFrame(outDir / "paused.png") && ok;
    noteTouchInput(true);
    drawPausedScene();
    ok = writeFrame(outDir / "paused-touch.png") && ok;
    noteTouchInput(false);
    dealFinishedGame();
    drawGameOver();
    ok = writeFrame(outDir / "game-over.png") && ok;
    // The context goes with the process: closing it unloads the GL driver, whose own leftovers then
    // count as leaks under LeakSanitizer.
    return ok ? 0 : 1;
}
