// The fixed GL state, the two positional lights and the 45-degree perspective.
#include "render/renderer.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

#include "assets/textures.h"

namespace {
// Both lights share their colours; only their places differ.
const GLfloat lightAmbient[4] = {0.1f, 0.1f, 0.1f, 1.0f};
const GLfloat lightDiffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
// Given while the modelview is the identity, so they stay fixed to the eye: straight in front of the
// well's centre, and just behind the eye.
const GLfloat playLightPosition[4] = {-12.0f, 0.0f, 0.0f, 1.0f};
const GLfloat menuLightPosition[4] = {0.0f, 0.0f, 2.0f, 1.0f};

const GLfloat nearPlane = 0.1f;  // single precision, widened when passed on
}  // namespace

void viewportBox(int width, int height, int box[4]) {
    if (height == 0) height = 1;  // a minimised window reports height 0
    int boxWidth = width, boxHeight = height;
    // Rounded to the nearest pixel; a box at least one pixel high keeps the aspect finite.
    if (width * 3 > height * 4)
        boxWidth = (height * 4 + 1) / 3;
    else if (width * 3 < height * 4)
        boxHeight = std::max((width * 3 + 2) / 4, 1);
    box[0] = (width - boxWidth) / 2;
    box[1] = (height - boxHeight) / 2;
    box[2] = boxWidth;
    box[3] = boxHeight;
}

void resizeViewport(int width, int height) {
    // The picture keeps 4:3 in any client area, so the game's world stands where it stands at its
    // own size; the bars beside or above it are cleared black with every frame.
    int box[4];
    viewportBox(width, height, box);
    glViewport(box[0], box[1], box[2], box[3]);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fieldOfViewDegrees, static_cast<GLfloat>(box[2]) / static_cast<GLfloat>(box[3]), nearPlane, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void projectPoint(float x, float y, float z, int width, int height, float* px, float* py) {
    if (height == 0) height = 1;
    const double tanHalf = std::tan(fieldOfViewDegrees * 3.14159265358979323846 / 360.0);
    const double aspect = static_cast<double>(width) / height;
    const double ndcX = x / (-z * tanHalf * aspect);
    const double ndcY = y / (-z * tanHalf);
    *px = static_cast<float>((ndcX + 1.0) * width / 2.0);
    *py = static_cast<float>((1.0 - ndcY) * height / 2.0);
}

void setFixedState() {
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    // The gems' base corners lie in the background's plane; equal depth drawn later must pass.
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glLightfv(GL_LIGHT1, GL_AMBIENT, lightAmbient);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, lightDiffuse);
    glLightfv(GL_LIGHT1, GL_POSITION, playLightPosition);
    glLightfv(GL_LIGHT2, GL_AMBIENT, lightAmbient);
    glLightfv(GL_LIGHT2, GL_DIFFUSE, lightDiffuse);
    glLightfv(GL_LIGHT2, GL_POSITION, menuLightPosition);
    glEnable(GL_LIGHT2);  // the program starts in the menu
    glEnable(GL_LIGHTING);
}

int initRenderer() {
    if (!loadTextureSet()) return 0;
    setFixedState();
    return 1;
}

void usePlayLight() {
    glDisable(GL_LIGHT2);
    glEnable(GL_LIGHT1);
}

void useMenuLight() {
    glDisable(GL_LIGHT1);
    glEnable(GL_LIGHT2);
}
