// The textures of the game: file tables, groups, their levels for the screen and driver, loading.
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

// Pixels that a picture's height covers where it is drawn nearest, worldHeight units high at depth
// units from the eye, on a screen whose 4:3 picture is lines pixels high. Called for the level choice.
double shownPixels(float worldHeight, float depth, int lines);
// The level of a width x height picture that becomes the texture's level 0: the smallest that is
// magnified by no more than about 1.25 where it covers shown pixels (0 for a screen not known: level
// 0 of the file), and no side of it above maxTextureSize. Called by loadTexture and its tests.
int firstLevelShown(int width, int height, double shown, int maxTextureSize);

// Receives one mipmap level: its number (0 the picture itself), size and RGB rows, bottom row first.
typedef void (*MipLevelSink)(void* context, int level, int width, int height, const unsigned char* rgb);
// Hands sink level 0 of a width x height picture, then each smaller level down to 1 x 1, each made
// in place from the one before by averaging 2 x 2 texels (2 x 1 or 1 x 2 once a side is 1; sides
// halve rounding down, as GL sizes its levels). Rows are tightly packed (width * 3 bytes), as the
// decoder gives them, at every level; only width * height * 3 bytes of rgb are read or written.
// Called by loadTexture; returns the number of levels, and rgb ends holding the 1 x 1 one.
int buildMipChain(unsigned char* rgb, int width, int height, MipLevelSink sink, void* context);
// Decodes fileName into a new texture stored in *textureName: magnified through magFilter,
// minified through its full mipmap chain (GL_LINEAR_MIPMAP_LINEAR), level 0 being the largest of
// the file's levels the driver takes (GL_MAX_TEXTURE_SIZE, and a level it refuses gives way to the
// next). The picture is freed before it returns. 1 on success, 0 when the picture could not be had.
// Needs a current GL context.
int loadTexture(const char* fileName, GLuint* textureName, GLint magFilter);

// Tells the texture set the size in pixels of the display the game starts on (0 x 0 when not
// known: every texture then starts at its file's level 0). Called by window creation before the
// window is made; the pictures' levels are chosen for it.
void setTextureScreen(int width, int height);
// Starts decoding the set's pictures and building their levels on a thread of its own, so that
// the work overlaps window creation; at most a few prepared pictures wait at a time. Called by the
// entry before createGameWindow; without threads (a browser build without them) it does nothing
// and loadTextureSet does the work itself.
void startTexturePreparation();
// Stops that thread and drops what it prepared. Called after window creation, and by
// loadTextureSet when it is done; harmless when nothing runs.
void stopTexturePreparation();
// The texture half of initRenderer: loads all the textures in their fixed order, stopping at the
// first failure (a decoder's box is shown then, from this thread); 1 when all loaded. Takes the
// started preparation's pictures, or decodes each itself. Gems are magnified GL_NEAREST, the rest
// GL_LINEAR.
int loadTextureSet();
// Bytes of texels the last loadTextureSet gave GL, three to a texel. Read by the benchmarks.
unsigned long long textureBytesUploaded();
