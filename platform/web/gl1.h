// The GL 1.x the renderer uses, on WebGL: the types, constants and calls it needs, nothing more.
#pragma once

// Where the web build also sees the WebGL headers (the layer itself), their types and shared
// constants are the same; these are spelt as there so the definitions agree.
typedef unsigned int GLenum;
typedef unsigned int GLuint;
typedef unsigned int GLbitfield;
typedef unsigned char GLboolean;
typedef int GLint;
typedef int GLsizei;
typedef float GLfloat;
typedef float GLclampf;
typedef double GLdouble;
typedef double GLclampd;
typedef void GLvoid;

#define GL_FALSE                          0
#define GL_TRUE                           1

#define GL_DEPTH_BUFFER_BIT               0x00000100
#define GL_COLOR_BUFFER_BIT               0x00004000

#define GL_TRIANGLES                      0x0004
#define GL_QUADS 0x0007

#define GL_LESS                           0x0201
#define GL_LEQUAL                         0x0203

#define GL_TEXTURE_2D                     0x0DE1
#define GL_DEPTH_TEST                     0x0B71
#define GL_LIGHTING 0x0B50

#define GL_PERSPECTIVE_CORRECTION_HINT 0x0C50
#define GL_DONT_CARE                      0x1100
#define GL_FASTEST                        0x1101
#define GL_NICEST                         0x1102

#define GL_SMOOTH 0x1D01

#define GL_MODELVIEW 0x1700
#define GL_PROJECTION 0x1701

// Eight lights, as GL 1.x has; each keeps its own colours and eye-space position.
#define GL_LIGHT0 0x4000
#define GL_LIGHT1 0x4001
#define GL_LIGHT2 0x4002
#define GL_LIGHT3 0x4003
#define GL_LIGHT4 0x4004
#define GL_LIGHT5 0x4005
#define GL_LIGHT6 0x4006
#define GL_LIGHT7 0x4007
#define GL_AMBIENT 0x1200
#define GL_DIFFUSE 0x1201
#define GL_POSITION 0x1203

#define GL_UNSIGNED_BYTE                  0x1401
#define GL_RGB                            0x1907
#define GL_NEAREST                        0x2600
#define GL_LINEAR                         0x2601
#define GL_NEAREST_MIPMAP_NEAREST         0x2700
#define GL_LINEAR_MIPMAP_NEAREST          0x2701
#define GL_NEAREST_MIPMAP_LINEAR          0x2702
#define GL_LINEAR_MIPMAP_LINEAR           0x2703
#define GL_TEXTURE_MAG_FILTER             0x2800
#define GL_TEXTURE_MIN_FILTER             0x2801
#define GL_NO_ERROR                       0
#define GL_UNPACK_ALIGNMENT               0x0CF5
#define GL_MAX_TEXTURE_SIZE               0x0D33

#ifdef __cplusplus
extern "C" {
#endif
// The renderer, the textures and the animations call these as they would GL 1.x's; each behaves as
// there for the values named here and says on standard error when given another.

// Frame and state: glClear, glClearColor, glClearDepth, glViewport and glDepthFunc as in GL 1.x.
// glHint takes GL_PERSPECTIVE_CORRECTION_HINT (WebGL always corrects); glEnable/glDisable take
// GL_DEPTH_TEST, GL_TEXTURE_2D, GL_LIGHTING and GL_LIGHT0..7; glShadeModel takes GL_SMOOTH only.
void glClear(GLbitfield mask);
void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha);
void glClearDepth(GLclampd depth);
void glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
void glDepthFunc(GLenum func);
void glHint(GLenum target, GLenum mode);
void glEnable(GLenum cap);
void glDisable(GLenum cap);
void glShadeModel(GLenum mode);

// Matrices: one modelview and one projection matrix, changed as GL 1.x changes them.
void glMatrixMode(GLenum mode);
void glLoadIdentity(void);
void glTranslatef(GLfloat x, GLfloat y, GLfloat z);
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z);
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar);

// A light's GL_AMBIENT, GL_DIFFUSE or GL_POSITION (taken through the modelview of the moment).
void glLightfv(GLenum light, GLenum pname, const GLfloat* params);

// Immediate-mode batches of GL_TRIANGLES or GL_QUADS, drawn at glEnd.
void glBegin(GLenum mode);
void glEnd(void);
void glVertex3f(GLfloat x, GLfloat y, GLfloat z);
void glNormal3f(GLfloat nx, GLfloat ny, GLfloat nz);
void glTexCoord2f(GLfloat s, GLfloat t);

// Texture objects: names, the two filters (the four mipmapped ones for minification too), and any
// level from rows aligned as glPixelStorei's GL_UNPACK_ALIGNMENT says (1, 2, 4 or 8; 4 at first, as
// in GL 1.x). WebGL 1 keeps mipmaps to power-of-two pictures: another size with a mipmapped filter
// draws black. glGetIntegerv answers GL_MAX_TEXTURE_SIZE; glGetError is WebGL's.
void glGenTextures(GLsizei n, GLuint* textures);
void glBindTexture(GLenum target, GLuint texture);
void glTexParameteri(GLenum target, GLenum pname, GLint param);
void glTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const GLvoid* pixels);
void glPixelStorei(GLenum pname, GLint param);
void glGetIntegerv(GLenum pname, GLint* params);
GLenum glGetError(void);

#ifdef __cplusplus
}
#endif

// Builds the layer's shader and vertex buffer on the current WebGL context and resets the GL 1.x
// state to its initial values. The web backend calls it once the context is current; 1 on success,
// 0 (the reason on standard error) when the context refused.
int gl1Open();
// On a context the browser restored after losing it: builds the shader and buffer anew, runs
// reupload (which creates the textures again and may set any state through the layer), then puts
// back every GL 1.x state the renderer had set before the loss. The web backend calls it; returns
// 0 when the shader or buffer could not be made, else reupload's result.
int gl1Restore(int (*reupload)());
// Releases the shader and buffer; the web backend calls it before deleting the context.
void gl1Close();
