// The two positional lights as they show on the gems' faces.
#include <GL/gl.h>

#include "assets/textures.h"
#include "game/rules.h"
#include "render/primitives.h"
#include "render/renderer.h"
#include "render/scenes.h"
#include "render_fixture.h"

namespace {
int brightness(Rgb c) { return c.r + c.g + c.b; }

// Faces in the order upper right, upper left, lower left, lower right, by their outward x and y.
const int faceSigns[4][2] = {{1, 1}, {-1, 1}, {-1, -1}, {1, -1}};
}  // namespace

class LitRenderTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        glEnable(GL_LIGHTING);
        white = solidTexture({255, 255, 255});
        gemTextures[0] = white;
    }
    // Brightness of each face of the resting gem at (x, y, z), measured at its centroid.
    void faceBrightness(double x, double y, double z, int (&faces)[4]) const {
        for (int f = 0; f < 4; ++f)
            faces[f] = brightness(pixelAt(x + faceSigns[f][0] / 3.0, y + faceSigns[f][1] / 3.0, z + 1.0 / 3.0));
    }
    GLuint white = 0;
};

// The menu light stands on the view axis: a centred gem's faces light alike, and brighter than unit
// normals could make them.
TEST_F(LitRenderTest, MenuLightLightsACentredGemEvenlyAndBrightly) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawGem(0.0f, 0.0f, -10.0f, 0.0f, white);
    readFrame();
    int faces[4];
    faceBrightness(0.0, 0.0, -10.0, faces);
    for (int f = 0; f < 4; ++f) {
        EXPECT_NEAR(faces[f], faces[0], 24) << "face " << f;
        // Unit normals would give about 0.49 of full white here, the raw ones about 0.81.
        EXPECT_GT(faces[f], 3 * 180) << "face " << f;
    }
}

// The play light stands in front of the well's centre, at the eye's depth: each gem's faces toward
// the well's centre line are the brighter ones, however much was drawn in between.
TEST_F(LitRenderTest, PlayLightBrightensTheFacesTowardTheWellCentre) {
    usePlayLight();
    board[0][7] = {0, 0, 0};  // left half of the well, x = -19
    board[7][8] = {0, 0, 0};  // right half, x = -5
    drawPlayScene();
    readFrame();
    int left[4], right[4];
    faceBrightness(-19.0, 1.0, -40.0, left);
    faceBrightness(-5.0, -1.0, -40.0, right);
    for (int lit : {0, 3})
        for (int dim : {1, 2}) {
            EXPECT_GT(left[lit], left[dim] + 60) << "left gem, faces " << lit << " and " << dim;
            EXPECT_GT(right[dim], right[lit] + 60) << "right gem, faces " << dim << " and " << lit;
        }

    // Many gems placed and turned by their own transforms must not move the light.
    for (int i = 0; i < 128; ++i)
        drawGem(static_cast<float>(i % 16) - 8.0f, static_cast<float>(i / 16), -30.0f, 10.0f * static_cast<float>(i), white);
    drawPlayScene();
    readFrame();
    int again[4];
    faceBrightness(-19.0, 1.0, -40.0, again);
    for (int f = 0; f < 4; ++f) EXPECT_EQ(again[f], left[f]) << "face " << f;
}
