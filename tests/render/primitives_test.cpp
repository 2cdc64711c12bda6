// Gems and rectangles land where their transforms say, with their pictures the right way round.
#include <GL/gl.h>

#include "assets/textures.h"
#include "game/rules.h"
#include "render/primitives.h"
#include "render_fixture.h"

namespace {
const Rgb quarterA = {255, 0, 0}, quarterB = {0, 255, 0}, quarterC = {0, 0, 255}, quarterD = {255, 255, 0};

void clearFrame() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); }
}  // namespace

// The picture's first rows' left quarter (A) sits at the top corner, then B right, C bottom, D left;
// a positive angle turns that counter-clockwise.
TEST_F(RenderTest, GemIsATipOnDiamondCarryingItsPictureTurnedByItsAngle) {
    const GLuint texture = quarteredTexture(quarterA, quarterB, quarterC, quarterD);
    // Points on the faces near the top, right, bottom and left corners.
    const double near[4][3] = {{0.1, 0.8, 0.1}, {0.8, 0.1, 0.1}, {0.1, -0.8, 0.1}, {-0.8, 0.1, 0.1}};
    const Rgb quarters[4] = {quarterA, quarterB, quarterC, quarterD};
    for (int quarterTurns = 0; quarterTurns < 4; ++quarterTurns) {
        clearFrame();
        drawGem(-2.0f, 1.0f, -12.0f, 90.0f * static_cast<float>(quarterTurns), texture);
        readFrame();
        for (int corner = 0; corner < 4; ++corner) {
            const double* p = near[corner];
            EXPECT_COLOUR(pixelAt(-2.0 + p[0], 1.0 + p[1], -12.0 + p[2]), quarters[(corner + quarterTurns) % 4])
                << "corner " << corner << " after " << quarterTurns << " quarter turns";
        }
        // Outside the diamond, between two corners, nothing is drawn.
        EXPECT_COLOUR(pixelAt(-2.0 + 0.6, 1.0 + 0.6, -12.0), black);
    }

    // A whole turn rests as no turn, pixel for pixel.
    clearFrame();
    drawGem(-2.0f, 1.0f, -12.0f, 0.0f, texture);
    readFrame();
    const std::vector<unsigned char> atRest = frame;
    clearFrame();
    drawGem(-2.0f, 1.0f, -12.0f, 360.0f, texture);
    readFrame();
    EXPECT_TRUE(frame == atRest);
}

TEST_F(RenderTest, NeighbouringGemsTouchCornerToCorner) {
    clearFrame();
    drawGem(-1.0f, 0.0f, -10.0f, 0.0f, gemTextures[0]);
    drawGem(1.0f, 0.0f, -10.0f, 0.0f, gemTextures[1]);
    readFrame();
    // Just either side of the shared corner each gem shows; just above it neither does.
    EXPECT_COLOUR(pixelAt(-0.05, 0.0, -10.0), slotColour(gemSlot));
    EXPECT_COLOUR(pixelAt(0.05, 0.0, -10.0), slotColour(gemSlot + 1));
    EXPECT_COLOUR(pixelAt(0.0, 0.1, -10.0), black);
}

// Each rectangle spans its size around its centre, picture upright: A lower left, C upper right.
TEST_F(RenderTest, RectanglesSpanTheirSizeWithThePictureUpright) {
    const GLuint texture = quarteredTexture(quarterA, quarterB, quarterC, quarterD);
    backgroundTextures[0] = texture;
    struct Case {
        const char* name;
        float x, y, z, halfWidth, halfHeight;
    };
    const Case cases[] = {
        {"button", 1.0f, -2.0f, -9.0f, 2.0f, 1.0f},
        {"tile", 3.0f, 2.0f, -20.0f, 1.0f, 1.0f},
        {"background", -12.0f, 0.0f, -40.0f, 8.0f, 16.0f},
    };
    for (const Case& c : cases) {
        clearFrame();
        // Something else first, with its own transform: the rectangle must not inherit it.
        drawGem(-15.0f, 15.0f, -50.0f, 30.0f, gemTextures[2]);
        if (c.halfWidth == 2.0f)
            drawButton(c.x, c.y, c.z, texture);
        else if (c.halfWidth == 1.0f)
            drawTile(c.x, c.y, c.z, texture);
        else
            drawBackground();
        readFrame();
        const double w = c.halfWidth, h = c.halfHeight;
        EXPECT_COLOUR(pixelAt(c.x - w / 2, c.y - h / 2, c.z), quarterA) << c.name << " lower left";
        EXPECT_COLOUR(pixelAt(c.x + w / 2, c.y - h / 2, c.z), quarterB) << c.name << " lower right";
        EXPECT_COLOUR(pixelAt(c.x + w / 2, c.y + h / 2, c.z), quarterC) << c.name << " upper right";
        EXPECT_COLOUR(pixelAt(c.x - w / 2, c.y + h / 2, c.z), quarterD) << c.name << " upper left";
        // Edges: drawn just inside, nothing just outside.
        const double in = 0.97, out = 1.03;
        EXPECT_COLOUR(pixelAt(c.x - w * in, c.y - h * in, c.z), quarterA) << c.name;
        EXPECT_COLOUR(pixelAt(c.x + w * in, c.y + h * in, c.z), quarterC) << c.name;
        EXPECT_COLOUR(pixelAt(c.x - w * out, c.y, c.z), black) << c.name << " left of it";
        EXPECT_COLOUR(pixelAt(c.x + w * out, c.y, c.z), black) << c.name << " right of it";
        EXPECT_COLOUR(pixelAt(c.x, c.y + h * out, c.z), black) << c.name << " above it";
        EXPECT_COLOUR(pixelAt(c.x, c.y - h * out, c.z), black) << c.name << " below it";
    }
}

TEST_F(RenderTest, BackgroundShowsThePictureOfBackgroundIndex) {
    for (backgroundIndex = 1; backgroundIndex <= 5; ++backgroundIndex) {
        clearFrame();
        drawBackground();
        readFrame();
        EXPECT_COLOUR(pixelAt(-12.0, 0.0, -40.0), slotColour(backgroundSlot + backgroundIndex - 1))
            << "backgroundIndex " << backgroundIndex;
    }
}
