// The three scenes as a player sees them: what shows where, from the global state.
#include <GL/gl.h>

#include <string>
#include <vector>

#include "game/rules.h"
#include "platform/platform.h"
#include "render/scenes.h"
#include "render_fixture.h"

namespace {
double worldX(int column) { return 2.0 * column - 19.0; }
double worldY(int row) { return 15.0 - 2.0 * row; }
Rgb gemColour(int colour) { return slotColour(gemSlot + colour); }
}  // namespace

TEST_F(RenderTest, MenuDrawsTheSelectedButtonNearerAndSoLarger) {
    for (int selected : {1, 0}) {
        menuNewSelected = selected;
        drawMenu();
        readFrame();
        const std::string what = "selection " + std::to_string(selected);
        expectRectangle(0.0, 1.5, selected ? -7.0 : -9.0, 2.0, 1.0, slotColour(menuSlot), what + ", new game");
        expectRectangle(0.0, -1.5, selected ? -9.0 : -7.0, 2.0, 1.0, slotColour(menuSlot + 1), what + ", quit");
        // No background behind the menu.
        EXPECT_COLOUR(pixel(5, 5), black);
        EXPECT_COLOUR(pixel(794, 594), black);
    }
}

TEST_F(RenderTest, PlaySceneDrawsEveryUnmarkedGemOverTheBackgroundAndThePreview) {
    for (int c = 0; c < boardColumns; ++c)
        for (int r = 0; r < boardRows; ++r) board[c][r] = {0, 0, static_cast<int16_t>((3 * c + r) % 11)};
    board[2][5].marked = 1;
    board[4][6] = emptyCell;
    board[6][9] = {1, 1, 3};
    nextColumn[0] = {0, 0, 4};
    nextColumn[1] = {0, 0, 5};
    nextColumn[2] = {0, 0, 6};
    drawPlayScene();
    readFrame();
    for (int c = 0; c < boardColumns; ++c) {
        for (int r = 0; r < boardRows; ++r) {
            const Cell& cell = board[c][r];
            const Rgb expected = cell.empty || cell.marked ? slotColour(backgroundSlot) : gemColour(cell.color);
            EXPECT_COLOUR(pixelAt(worldX(c), worldY(r), -40.0), expected) << "cell (" << c << ", " << r << ")";
        }
    }
    // The background shows between the diamonds' corners, and nothing outside the well.
    EXPECT_COLOUR(pixelAt(worldX(1) + 0.8, worldY(1) + 0.8, -40.0), slotColour(backgroundSlot));
    EXPECT_COLOUR(pixelAt(-20.5, 0.0, -40.0), black);
    // The preview, top gem first, one cell right of the well.
    EXPECT_COLOUR(pixelAt(-2.0, 15.0, -40.0), gemColour(6));
    EXPECT_COLOUR(pixelAt(-2.0, 13.0, -40.0), gemColour(5));
    EXPECT_COLOUR(pixelAt(-2.0, 11.0, -40.0), gemColour(4));
    EXPECT_COLOUR(pixelAt(-2.0, 9.0, -40.0), black);

    // A magic preview shows the magic gem three times, whatever its flags say.
    for (Cell& cell : nextColumn) cell = {1, 1, magicColor};
    drawPlayScene();
    readFrame();
    for (double y : {15.0, 13.0, 11.0}) EXPECT_COLOUR(pixelAt(-2.0, y, -40.0), gemColour(magicColor)) << "y " << y;
}

TEST_F(RenderTest, ScoreShowsFivePlacesWithLeadingZerosAndStopsAt99999) {
    const struct {
        int32_t score;
        const char* shown;
    } cases[] = {{0, "00000"},     {42, "00042"},     {1300, "01300"},      {9999, "09999"},
                 {10000, "10000"}, {99999, "99999"}, {100000, "99999"}, {2147483647, "99999"}};
    for (const auto& c : cases) {
        score = c.score;
        drawPlayScene();
        readFrame();
        for (int place = 0; place < 5; ++place)
            EXPECT_COLOUR(pixelAt(1.0 + 2.0 * place, -6.0, -20.0), slotColour(digitSlot + (c.shown[place] - '0')))
                << "score " << c.score << ", place " << place;
    }
}

TEST_F(RenderTest, KeyIndicatorsComeNearerWhileTheirKeyIsHeld) {
    const struct {
        int key, texture;
        double heldX, idleX;
    } indicators[] = {{vkControl, 3, 1.0, 1.0}, {vkLeft, 0, 3.0, 4.0}, {vkDown, 2, 5.0, 7.0}, {vkRight, 1, 7.0, 10.0}};
    const std::vector<std::vector<int>> heldSets = {{}, {vkLeft, vkRight}, {vkControl, vkLeft, vkDown, vkRight}};
    for (const std::vector<int>& held : heldSets) {
        for (int32_t& k : keyDown) k = 0;
        for (int key : held) keyDown[key] = 1;
        drawPlayScene();
        readFrame();
        for (int i = 0; i < 4; ++i) {
            const auto& k = indicators[i];
            const std::string what = "key " + std::to_string(k.key) + " with " + std::to_string(held.size()) + " held";
            const Rgb colour = slotColour(keySlot + k.texture);
            if (keyDown[k.key]) {
                expectRectangle(k.heldX, 0.0, -20.0, 1.0, 1.0, colour, what);
                continue;
            }
            // A held neighbour on the right stands nearer and may cover part of this tile.
            int visibleRight = -1, unused = 0;
            if (i < 3 && keyDown[indicators[i + 1].key]) project(indicators[i + 1].heldX - 1.0, 0.0, -20.0, &visibleRight, &unused);
            expectRectangle(k.idleX, 0.0, -25.0, 1.0, 1.0, colour, what, visibleRight);
        }
    }
}

TEST_F(RenderTest, GameOverPutsTheQuitPictureInFrontOfThePlayScene) {
    board[0][0] = {0, 0, 1};
    board[7][15] = {0, 0, 2};
    keyDown[vkControl] = 1;
    score = 7;
    drawGameOver();
    readFrame();
    // The panel hides the held Ctrl tile behind it.
    expectRectangle(0.0, 0.0, -10.0, 2.0, 1.0, slotColour(menuSlot + 1), "end-of-play panel");
    EXPECT_COLOUR(pixelAt(worldX(0), worldY(0), -40.0), gemColour(1));
    EXPECT_COLOUR(pixelAt(worldX(7), worldY(15), -40.0), gemColour(2));
    EXPECT_COLOUR(pixelAt(9.0, -6.0, -20.0), slotColour(digitSlot + 7));
}

// A tap is placed by the same projection as the picture: every pixel well inside a drawn button maps
// to that button, every black one to none, top-left pixel coordinates, for either selection.
TEST_F(RenderTest, MenuButtonAtAgreesWithTheDrawnMenu) {
    const Rgb colours[2] = {slotColour(menuSlot), slotColour(menuSlot + 1)};
    for (int selected : {1, 0}) {
        menuNewSelected = selected;
        drawMenu();
        readFrame();
        int checked[3] = {0, 0, 0};
        for (int py = 1; py < 599; py += 3) {
            for (int px = 1; px < 799; px += 3) {
                const Rgb seen = pixel(px, py);
                // Pixels on an edge may fall either way.
                bool inside = true;
                for (const Rgb& n : {pixel(px - 1, py), pixel(px + 1, py), pixel(px, py - 1), pixel(px, py + 1)})
                    inside = inside && sameColour(n, seen);
                if (!inside) continue;
                const int drawn = sameColour(seen, colours[0]) ? 0 : sameColour(seen, colours[1]) ? 1 : -1;
                const int hit = menuButtonAt(px + 0.5f, 599.5f - static_cast<float>(py), 800, 600);
                ASSERT_EQ(hit, drawn) << "selection " << selected << ", pixel (" << px << ", " << py << ")";
                ++checked[drawn + 1];
            }
        }
        EXPECT_GT(checked[1], 100) << "new game";
        EXPECT_GT(checked[2], 100) << "quit";
    }
}
