// The textures of the game: file tables, groups, and loading them into GL.
#pragma once

#include <GL/gl.h>

#include "assets/dib.h"

extern GLuint backgroundTextures[5];  // by backgroundIndex - 1
extern GLuint gemTextures[11];        // by colour; 10 is the magic gem
extern GLuint digitTextures[10];      // by digit
extern GLuint menuTextures[2];        // 0 new game, 1 quit
extern GLuint keyTextures[4];         // 0 left, 1 right, 2 down, 3 Ctrl
extern GLuint recordTextures[2];      // 0 the best score's label, 1 a finished game's new best
extern GLuint signTextures[3];        // 0 paused (P plays on), 1 paused (the touch control), 2 sound off

extern const char* const backgroundFiles[5];
extern const char* const gemFiles[11];
extern const char* const digitFiles[10];
extern const char* const menuFiles[2];
extern const char* const keyFiles[4];
extern const char* const recordFiles[2];
extern const char* const signFiles[3];

// Returns the decoded picture, or null silently when the file cannot be opened for reading.
RgbImage* loadImageFile(const char* fileName);

// Receives one mipmap level: its number (0 the picture itself), size and RGB rows, bottom row first.
typedef void (*MipLevelSink)(void* context, int level, int width, int height, const unsigned char* rgb);
// Hands sink level 0 of a width x height picture, then each smaller level down to 1 x 1, each made
// in place from the one before by averaging 2 x 2 texels (2 x 1 or 1 x 2 once a side is 1; sides
// halve rounding down, as GL sizes its levels). Rows are padded to a multiple of 4 bytes, as GL
// unpacks them by default: level 0's too, which holds for every width that is a multiple of 4.
// Called by loadTexture; returns the number of levels, and rgb ends holding the 1 x 1 one.
int buildMipChain(unsigned char* rgb, int width, int height, MipLevelSink sink, void* context);
// Decodes fileName into a new texture stored in *textureName: magnified through magFilter,
// minified through its full mipmap chain (GL_LINEAR_MIPMAP_LINEAR). The picture is freed before
// it returns. 1 on success, 0 when the picture could not be had. Needs a current GL context.
int loadTexture(const char* fileName, GLuint* textureName, GLint magFilter);
// The texture half of initRenderer: loads all the textures in their fixed order, stopping at the
// first failure; 1 when all loaded. Gems are magnified GL_NEAREST, the rest GL_LINEAR.
int loadTextureSet();
