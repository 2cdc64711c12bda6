// Offscreen frame, test textures and screen-space helpers shared by the renderer tests.
#include "render_fixture.h"

#include <GL/glu.h>

#include <cstdlib>

#include "assets/textures.h"
#include "game/rules.h"
#include "platform/offscreen.h"
#include "render/renderer.h"
#include "render/scenes.h"


int32_t keyDown[256];
int32_t menuNewSelected = 1;

namespace {
bool contextOpen = false;
GLuint slotTextures[35];

GLuint uploadTexture(const Rgb texels[16]) {
    unsigned char data[16 * 3];
    for (int i = 0; i < 16; ++i) {
        data[3 * i] = static_cast<unsigned char>(texels[i].r);
        data[3 * i + 1] = static_cast<unsigned char>(texels[i].g);
        data[3 * i + 2] = static_cast<unsigned char>(texels[i].b);
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, data);
    return name;
}
}  // namespace

Rgb slotColour(int slot) {
    // The base-4 digits of slot + 1 pick each channel from 0, 85, 170, 255: never black.
    const int n = slot + 1;
    return {85 * (n % 4), 85 * (n / 4 % 4), 85 * (n / 16 % 4)};
}

GLuint quarteredTexture(Rgb a, Rgb b, Rgb c, Rgb d) {
    Rgb texels[16];
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) texels[4 * row + col] = row < 2 ? (col < 2 ? a : b) : (col < 2 ? d : c);
    return uploadTexture(texels);
}

GLuint solidTexture(Rgb colour) { return quarteredTexture(colour, colour, colour, colour); }

void RenderTest::SetUpTestSuite() {
    if (contextOpen) return;
    contextOpen = openOffscreenContext(800, 600) == 1;
    if (!contextOpen) return;
    for (int i = 0; i < 35; ++i) slotTextures[i] = solidTexture(slotColour(i));
}

void RenderTest::SetUp() {
    ASSERT_TRUE(contextOpen) << "no offscreen GL context";
    GLuint* groups[] = {backgroundTextures, gemTextures, digitTextures, menuTextures, keyTextures, signTextures};
    const int sizes[] = {5, 11, 10, 2, 4, 3};
    int slot = 0;
    for (int g = 0; g < 6; ++g)
        for (int i = 0; i < sizes[g]; ++i) groups[g][i] = slotTextures[slot++];
    resizeViewport(800, 600);
    setFixedState();
    glDisable(GL_LIGHTING);
    for (auto& column : board)
        for (Cell& cell : column) cell = emptyCell;
    for (Cell& cell : nextColumn) cell = {0, 0, 0};
    score = 0;
    backgroundIndex = 1;
    menuNewSelected = 1;
    for (int32_t& k : keyDown) k = 0;
    setSceneState({keyDown, &menuNewSelected});
}

void RenderTest::project(double x, double y, double z, int* px, int* py) {
    GLdouble modelview[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    GLdouble projection[16];
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble wx = 0, wy = 0, wz = 0;
    gluProject(x, y, z, modelview, projection, viewport, &wx, &wy, &wz);
    // Window coordinates run through pixel centres at .5.
    *px = static_cast<int>(wx);
    *py = static_cast<int>(wy);
}

void RenderTest::readFrame() {
    frame.assign(800 * 600 * 3, 0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 800, 600, GL_RGB, GL_UNSIGNED_BYTE, frame.data());
}

Rgb RenderTest::pixel(int px, int py) const {
    if (px < 0 || px >= 800 || py < 0 || py >= 600 || frame.empty()) return {-100, -100, -100};  // matches no colour
    const unsigned char* p = &frame[3 * (py * 800 + px)];
    return {p[0], p[1], p[2]};
}

Rgb RenderTest::pixelAt(double x, double y, double z) const {
    int px = 0, py = 0;
    project(x, y, z, &px, &py);
    return pixel(px, py);
}

PixelRun RenderTest::runAt(int px, int py, bool horizontal) const {
    const Rgb colour = pixel(px, py);
    auto at = [&](int i) { return horizontal ? pixel(i, py) : pixel(px, i); };
    const int start = horizontal ? px : py;
    PixelRun run = {start, start};
    while (sameColour(at(run.first - 1), colour)) --run.first;
    while (sameColour(at(run.last + 1), colour)) ++run.last;
    return run;
}

void RenderTest::expectRectangle(double x, double y, double z, double halfWidth, double halfHeight, Rgb colour,
                                 const std::string& what, int visibleRight) const {
    int cx = 0, cy = 0, left = 0, right = 0, bottom = 0, top = 0, unused = 0;
    project(x, y, z, &cx, &cy);
    project(x - halfWidth, y, z, &left, &unused);
    project(x + halfWidth, y, z, &right, &unused);
    project(x, y - halfHeight, z, &unused, &bottom);
    project(x, y + halfHeight, z, &unused, &top);
    EXPECT_COLOUR(pixel(cx, cy), colour) << what;
    const PixelRun across = runAt(cx, cy, true), down = runAt(cx, cy, false);
    EXPECT_NEAR(across.first, left, 1) << what << ": left edge";
    if (visibleRight >= 0 && visibleRight < right) right = visibleRight;
    EXPECT_NEAR(across.last + 1, right, 1) << what << ": right edge";
    EXPECT_NEAR(down.first, bottom, 1) << what << ": lower edge";
    EXPECT_NEAR(down.last + 1, top, 1) << what << ": upper edge";
}

bool sameColour(Rgb a, Rgb b) {
    return std::abs(a.r - b.r) <= 8 && std::abs(a.g - b.g) <= 8 && std::abs(a.b - b.b) <= 8;
}

::testing::AssertionResult showsColour(const char* seenExpr, const char*, Rgb seen, Rgb expected) {
    if (sameColour(seen, expected)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << seenExpr << " is (" << seen.r << ", " << seen.g << ", " << seen.b
                                         << "), expected (" << expected.r << ", " << expected.g << ", "
                                         << expected.b << ")";
}
