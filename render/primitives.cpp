// Immediate-mode gems, buttons, tiles and the background, each placed from the identity.
#include "render/primitives.h"

#include "assets/textures.h"
#include "game/rules.h"

namespace {
// One textured quad in its own z = 0 plane, facing the viewer, picture upright: (0, 0) at the
// lower left. halfWidth and halfHeight are half its size.
void sendQuad(GLfloat halfWidth, GLfloat halfHeight) {
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-halfWidth, -halfHeight, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(halfWidth, -halfHeight, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(halfWidth, halfHeight, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-halfWidth, halfHeight, 0.0f);
    glEnd();
}

int drawRectangle(GLfloat x, GLfloat y, GLfloat z, GLuint texture, GLfloat halfWidth, GLfloat halfHeight) {
    glLoadIdentity();
    glTranslatef(x, y, z);
    glBindTexture(GL_TEXTURE_2D, texture);
    sendQuad(halfWidth, halfHeight);
    return 1;
}
}  // namespace

int drawGem(float x, float y, float z, float angle, GLuint texture) {
    glLoadIdentity();
    glTranslatef(x, y, z);
    glRotatef(angle, 0.0f, 0.0f, 1.0f);
    glBindTexture(GL_TEXTURE_2D, texture);
    // Each corner keeps one texture coordinate, so the square picture covers the diamond once.
    // The face normals are left unnormalised (length sqrt 3): the gems light brighter for it.
    glBegin(GL_TRIANGLES);
    glNormal3f(1.0f, 1.0f, 1.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(0.0f, 1.0f, 0.0f);
    glTexCoord2f(0.5f, 0.5f);
    glVertex3f(0.0f, 0.0f, 1.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(1.0f, 0.0f, 0.0f);

    glNormal3f(-1.0f, 1.0f, 1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-1.0f, 0.0f, 0.0f);
    glTexCoord2f(0.5f, 0.5f);
    glVertex3f(0.0f, 0.0f, 1.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(0.0f, 1.0f, 0.0f);

    glNormal3f(-1.0f, -1.0f, 1.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(0.0f, -1.0f, 0.0f);
    glTexCoord2f(0.5f, 0.5f);
    glVertex3f(0.0f, 0.0f, 1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-1.0f, 0.0f, 0.0f);

    glNormal3f(1.0f, -1.0f, 1.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(1.0f, 0.0f, 0.0f);
    glTexCoord2f(0.5f, 0.5f);
    glVertex3f(0.0f, 0.0f, 1.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(0.0f, -1.0f, 0.0f);
    glEnd();
    return 1;
}

int drawButton(float x, float y, float z, GLuint texture) {
    return drawRectangle(x, y, z, texture, buttonHalfWidth, buttonHalfHeight);
}

int drawTile(float x, float y, float z, GLuint texture) { return drawRectangle(x, y, z, texture, 1.0f, 1.0f); }

int drawBackground() {
    // Covers the well exactly: x -20..-4, y -16..16 at the board's depth.
    return drawRectangle(-12.0f, 0.0f, -40.0f, backgroundTextures[backgroundIndex - 1], 8.0f, 16.0f);
}
