// The projection, initRenderer over real picture files, and the light switches.
#include <GL/gl.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "assets/textures.h"
#include "render/renderer.h"
#include "render_fixture.h"

namespace fs = std::filesystem;

namespace {
struct Perspective {
    double aspect, fovy, nearPlane, farPlane;
};

Perspective currentPerspective() {
    GLdouble m[16];
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    return {m[5] / m[0], 2.0 * std::atan(1.0 / m[5]) * 180.0 / M_PI, m[14] / (m[10] - 1.0), m[14] / (m[10] + 1.0)};
}

// A fresh working directory for the test, removed again afterwards.
struct ScopedWorkDir {
    fs::path previous = fs::current_path();
    fs::path dir;
    ScopedWorkDir() {
        char name[] = "/tmp/brinvale-render-XXXXXX";
        dir = mkdtemp(name);
        fs::current_path(dir);
        fs::create_directory("pic");
    }
    ~ScopedWorkDir() {
        fs::current_path(previous);
        fs::remove_all(dir);
    }
};

// Copies the first count of the game's pictures, in their fixed load order, into ./pic.
void copyPictures(int count) {
    const char* const* tables[] = {backgroundFiles, gemFiles, digitFiles, menuFiles, keyFiles, recordFiles, signFiles};
    const int sizes[] = {5, 11, 10, 2, 4, 2, 3};
    int copied = 0;
    for (int g = 0; g < 7; ++g)
        for (int i = 0; i < sizes[g] && copied < count; ++i, ++copied)
            fs::copy_file(fs::path(BRINVALE_BUILD_DIR) / tables[g][i], tables[g][i]);
}

// Puts back OpenGL's initial values of everything initRenderer sets.
void resetFixedState() {
    for (GLenum cap : {GL_TEXTURE_2D, GL_DEPTH_TEST, GL_LIGHTING, GL_LIGHT1, GL_LIGHT2}) glDisable(cap);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glDepthFunc(GL_LESS);
}

void expectLight(GLenum light, const GLfloat (&position)[4]) {
    GLfloat value[4];
    glGetLightfv(light, GL_POSITION, value);
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(value[i], position[i]) << "position " << i;
    glGetLightfv(light, GL_AMBIENT, value);
    EXPECT_FLOAT_EQ(value[0], 0.1f);
    EXPECT_FLOAT_EQ(value[3], 1.0f);
    glGetLightfv(light, GL_DIFFUSE, value);
    EXPECT_FLOAT_EQ(value[1], 1.0f);
}
}  // namespace

TEST_F(RenderTest, ResizeViewportSetsPerspectiveAndLeavesIdentityModelview) {
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(3.0f, 4.0f, 5.0f);
    glMatrixMode(GL_PROJECTION);
    resizeViewport(800, 600);
    GLint viewport[4], mode = 0;
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 600);
    Perspective p = currentPerspective();
    EXPECT_NEAR(p.aspect, 1.3333333, 1e-6);
    EXPECT_NEAR(p.fovy, 45.0, 1e-4);
    EXPECT_NEAR(p.nearPlane, 0.1, 1e-5);
    EXPECT_NEAR(p.farPlane, 100.0, 0.05);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLdouble m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], i % 5 == 0 ? 1.0 : 0.0) << "modelview element " << i;

    // Any other client area keeps the picture 4:3 in its centre: a wide full screen, a tall window,
    // a third of a pixel rounded, and a minimised window's height 0.
    const struct {
        int width, height, x, y, boxWidth, boxHeight;
    } areas[] = {{3840, 2160, 480, 0, 2880, 2160},
                 {800, 1000, 0, 200, 800, 600},
                 {1000, 500, 166, 0, 667, 500},
                 {640, 0, 319, 0, 1, 1}};
    for (const auto& a : areas) {
        resizeViewport(a.width, a.height);
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(viewport[0], a.x) << a.width << "x" << a.height;
        EXPECT_EQ(viewport[1], a.y) << a.width << "x" << a.height;
        EXPECT_EQ(viewport[2], a.boxWidth) << a.width << "x" << a.height;
        EXPECT_EQ(viewport[3], a.boxHeight) << a.width << "x" << a.height;
        EXPECT_NEAR(currentPerspective().aspect, double(a.boxWidth) / a.boxHeight, 1e-6);
    }
}

TEST_F(RenderTest, FailedTextureLoadSetsNoGlState) {
    // No picture at all, and every picture but the last.
    for (int present : {0, 36}) {
        resetFixedState();
        ScopedWorkDir work;
        copyPictures(present);
        EXPECT_EQ(initRenderer(), 0) << present << " pictures";
        for (GLenum cap : {GL_TEXTURE_2D, GL_DEPTH_TEST, GL_LIGHTING, GL_LIGHT1, GL_LIGHT2})
            EXPECT_FALSE(glIsEnabled(cap)) << "capability 0x" << std::hex << cap << " with " << std::dec << present;
        GLfloat clear[4];
        glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
        EXPECT_EQ(clear[3], 0.0f);
        GLint depthFunc = 0;
        glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
        EXPECT_EQ(depthFunc, GL_LESS);
    }
}

TEST_F(RenderTest, InitRendererLoadsTheGamesPicturesThenSetsStateWithMenuLight) {
    resetFixedState();
    ScopedWorkDir work;
    copyPictures(37);
    ASSERT_EQ(initRenderer(), 1);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT2));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_NORMALIZE));
    GLint depthFunc = 0, shade = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    EXPECT_EQ(depthFunc, GL_LEQUAL);
    glGetIntegerv(GL_SHADE_MODEL, &shade);
    EXPECT_EQ(shade, GL_SMOOTH);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0] + clear[1] + clear[2], 0.0f);
    EXPECT_EQ(clear[3], 0.5f);
    expectLight(GL_LIGHT1, {-12.0f, 0.0f, 0.0f, 1.0f});
    expectLight(GL_LIGHT2, {0.0f, 0.0f, 2.0f, 1.0f});

    usePlayLight();
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT2));
    useMenuLight();
    EXPECT_TRUE(glIsEnabled(GL_LIGHT2));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
}
