// The 32 textures of the game: file tables, groups, and loading them into GL.
#pragma once

#include <GL/gl.h>

#include "assets/dib.h"

extern GLuint backgroundTextures[5];  // by backgroundIndex - 1
extern GLuint gemTextures[11];        // by colour; 10 is the magic gem
extern GLuint digitTextures[10];      // by digit
extern GLuint menuTextures[2];        // 0 new game, 1 quit
extern GLuint keyTextures[4];         // 0 left, 1 right, 2 down, 3 Ctrl

extern const char* const backgroundFiles[5];
extern const char* const gemFiles[11];
extern const char* const digitFiles[10];
extern const char* const menuFiles[2];
extern const char* const keyFiles[4];

// Returns the decoded picture, or null silently when the file cannot be opened for reading.
RgbImage* loadImageFile(const char* fileName);
// Decodes fileName into a new texture stored in *textureName with filter as both filters;
// 1 on success, 0 when the picture could not be had. Needs a current GL context.
int loadTexture(const char* fileName, GLuint* textureName, GLint filter);
// The texture half of initRenderer: loads all 32 textures in their fixed order, stopping at the
// first failure; 1 when all loaded.
int loadTextureSet();
