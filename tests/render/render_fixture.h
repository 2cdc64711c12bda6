// Offscreen 800 x 600 frame, solid test textures and screen-space helpers for the renderer tests.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

struct Rgb {
    int r, g, b;
};

// Run of equally coloured pixels along one row or column, both ends included.
struct PixelRun {
    int first, last;
    int length() const { return last - first + 1; }
};

// The state the scenes show in these tests, as the loop's keyDown and menuNewSelected.
extern int32_t keyDown[256];
extern int32_t menuNewSelected;

// Texture group slots get the colours of this table, each distinct from the others and from black.
Rgb slotColour(int slot);
constexpr int backgroundSlot = 0, gemSlot = 5, digitSlot = 16, menuSlot = 26, keySlot = 28, signSlot = 32;

// A 4 x 4 texture whose first two uploaded rows are a (left half) and b (right half), the last two
// d (left) and c (right): the four quarters of its picture, nearest filtered.
GLuint quarteredTexture(Rgb a, Rgb b, Rgb c, Rgb d);
GLuint solidTexture(Rgb colour);

// The rendering context, the fixed state with lighting off (so a pixel shows its texture exactly),
// a test texture in every group slot, and an empty board.
class RenderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;

    // Window position (origin lower left, as glReadPixels counts) of an eye-space point.
    static void project(double x, double y, double z, int* px, int* py);
    // Reads the back buffer of the frame just drawn.
    void readFrame();
    Rgb pixel(int px, int py) const;
    Rgb pixelAt(double x, double y, double z) const;
    // The run of pixels of the colour found at (px, py), across (horizontal) or down.
    PixelRun runAt(int px, int py, bool horizontal) const;
    // Expects a rectangle of one colour centred on (x, y, z) whose edges fall where the projection
    // puts them, to the pixel. visibleRight, when given, is the pixel column where a nearer object
    // starts covering its right-hand side.
    void expectRectangle(double x, double y, double z, double halfWidth, double halfHeight, Rgb colour,
                         const std::string& what, int visibleRight = -1) const;

    std::vector<unsigned char> frame;
};

// True when two colours agree within what a 16-bit frame buffer keeps.
bool sameColour(Rgb a, Rgb b);
const Rgb black = {0, 0, 0};

::testing::AssertionResult showsColour(const char* whereExpr, const char* expectExpr, Rgb seen, Rgb expected);
#define EXPECT_COLOUR(seen, expected) EXPECT_PRED_FORMAT2(showsColour, seen, expected)
