// Immediate-mode drawing of gems, buttons, tiles and the background; each returns 1.
#pragma once

#include <GL/gl.h>

// A textured four-sided pyramid seen tip-on, turned by angle degrees about its own axis.
int drawGem(float x, float y, float z, float angle, GLuint texture);
// Half the width and half the height of a button, in world units.
constexpr float buttonHalfWidth = 2.0f;
constexpr float buttonHalfHeight = 1.0f;

// A 4 x 2 textured rectangle centred on (x, y, z).
int drawButton(float x, float y, float z, GLuint texture);
// A 2 x 2 textured rectangle centred on (x, y, z).
int drawTile(float x, float y, float z, GLuint texture);
// The 16 x 32 background behind the well, picture backgroundIndex - 1.
int drawBackground();
