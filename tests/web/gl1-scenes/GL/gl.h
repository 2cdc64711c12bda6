// <GL/gl.h> of the web scene check: the layer, plus the frame read-back that brinvale-scenes uses.
#pragma once
#include "platform/web/gl1.h"

#define GL_BACK 0x0405
#define GL_PACK_ALIGNMENT 0x0D05

extern "C" {
// A single-buffered canvas: there is only the one buffer to read.
void glReadBuffer(GLenum mode);
void glPixelStorei(GLenum pname, GLint param);
void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid* pixels);
}
