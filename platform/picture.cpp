// The offscreen picture: while the window's drawable is not the game's size (the desktop full screen,
// a resized window), the game draws into a framebuffer object of its own size, and each present
// scales that picture to fit the drawable, aspect kept, with black bars.
#include "platform/picture.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>

namespace {

// The framebuffer-object calls, by their core names or those of the EXT extensions (same enums).
struct FramebufferCalls {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer;
};

struct Picture {
    int width = 0;  // the game's size, the one it draws at; 0 before a window exists
    int height = 0;
    int colorBits = 16;
    int depthBits = 16;
    bool started = false;      // the game's context is current
    bool unavailable = false;  // the driver has no framebuffer objects: the game draws straight in
    GlProcLoader loader = nullptr;  // the game's context's, from pictureStart
    FramebufferCalls gl{};
    bool loaded = false;
    GLuint framebuffer = 0;
    GLuint colour = 0;
    GLuint depth = 0;
    bool scaling = false;  // the game draws into the framebuffer, which each present scales
};

Picture picture;

// Whether the current context names the extension in its list (a compatibility context's one string).
bool extensionOffered(const char* name) {
    const char* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    const size_t length = std::strlen(name);
    for (const char* at = list; at && (at = std::strstr(at, name)) != nullptr; at += length) {
        const bool starts = at == list || at[-1] == ' ';
        if (starts && (at[length] == ' ' || at[length] == '\0')) return true;
    }
    return false;
}

template <typename Call>
bool load(GlProcLoader loader, Call* call, const char* core, const char* ext, bool useExt) {
    *call = reinterpret_cast<Call>(loader(useExt ? ext : core));
    return *call != nullptr;
}

// Needs a current context: the extension list and the entry points belong to it.
bool loadCalls(GlProcLoader loader, FramebufferCalls* c) {
    if (!loader) return false;
    const bool core = extensionOffered("GL_ARB_framebuffer_object");
    const bool ext = extensionOffered("GL_EXT_framebuffer_object") && extensionOffered("GL_EXT_framebuffer_blit");
    if (!core && !ext) return false;
    const bool e = !core;
    return load(loader, &c->genFramebuffers, "glGenFramebuffers", "glGenFramebuffersEXT", e) &&
           load(loader, &c->deleteFramebuffers, "glDeleteFramebuffers", "glDeleteFramebuffersEXT", e) &&
           load(loader, &c->bindFramebuffer, "glBindFramebuffer", "glBindFramebufferEXT", e) &&
           load(loader, &c->genRenderbuffers, "glGenRenderbuffers", "glGenRenderbuffersEXT", e) &&
           load(loader, &c->deleteRenderbuffers, "glDeleteRenderbuffers", "glDeleteRenderbuffersEXT", e) &&
           load(loader, &c->bindRenderbuffer, "glBindRenderbuffer", "glBindRenderbufferEXT", e) &&
           load(loader, &c->renderbufferStorage, "glRenderbufferStorage", "glRenderbufferStorageEXT", e) &&
           load(loader, &c->framebufferRenderbuffer, "glFramebufferRenderbuffer", "glFramebufferRenderbufferEXT", e) &&
           load(loader, &c->checkFramebufferStatus, "glCheckFramebufferStatus", "glCheckFramebufferStatusEXT", e) &&
           load(loader, &c->blitFramebuffer, "glBlitFramebuffer", "glBlitFramebufferEXT", e);
}

void releaseFramebuffer(Picture* p) {
    if (p->framebuffer) {
        p->gl.bindFramebuffer(GL_FRAMEBUFFER, 0);
        p->gl.deleteFramebuffers(1, &p->framebuffer);
    }
    if (p->colour) p->gl.deleteRenderbuffers(1, &p->colour);
    if (p->depth) p->gl.deleteRenderbuffers(1, &p->depth);
    p->framebuffer = p->colour = p->depth = 0;
}

bool storeRenderbuffer(const FramebufferCalls& gl, GLuint buffer, GLenum format, int width, int height) {
    while (glGetError() != GL_NO_ERROR) {
    }
    gl.bindRenderbuffer(GL_RENDERBUFFER, buffer);
    gl.renderbufferStorage(GL_RENDERBUFFER, format, width, height);
    return glGetError() == GL_NO_ERROR;
}

// Builds the picture's framebuffer and leaves it bound for drawing: the formats the game asks for
// first (5-6-5 colour, 16-bit depth), then the nearest the driver completes a framebuffer with.
bool buildFramebuffer(Picture* p) {
    if (!p->loaded) p->loaded = loadCalls(p->loader, &p->gl);
    if (!p->loaded) return false;
    const FramebufferCalls& gl = p->gl;
    const GLenum shallowColours[] = {GL_RGB565, GL_RGB5, GL_RGB8, GL_RGBA8};
    const GLenum deepColours[] = {GL_RGB8, GL_RGBA8, GL_RGB565, GL_RGB5};
    const GLenum shallowDepths[] = {GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT24};
    const GLenum deepDepths[] = {GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT16};
    const GLenum* colours = p->colorBits > 16 ? deepColours : shallowColours;
    const GLenum* depths = p->depthBits > 16 ? deepDepths : shallowDepths;

    gl.genFramebuffers(1, &p->framebuffer);
    gl.genRenderbuffers(1, &p->colour);
    gl.genRenderbuffers(1, &p->depth);
    gl.bindFramebuffer(GL_FRAMEBUFFER, p->framebuffer);
    for (int c = 0; c < 4; ++c) {
        if (!storeRenderbuffer(gl, p->colour, colours[c], p->width, p->height)) continue;
        gl.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, p->colour);
        for (int d = 0; d < 2; ++d) {
            if (!storeRenderbuffer(gl, p->depth, depths[d], p->width, p->height)) continue;
            gl.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, p->depth);
            if (gl.checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) return true;
        }
    }
    releaseFramebuffer(p);
    return false;
}

// Black bars on both sides of the fitted picture, and only there: the picture covers the rest. The
// game's clear colour and scissor state are put back for its next frame.
void clearBars(int width, int height, int left, int bottom, int fitWidth, int fitHeight) {
    GLfloat keptColour[4];
    GLint keptBox[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, keptColour);
    glGetIntegerv(GL_SCISSOR_BOX, keptBox);
    const GLboolean keptTest = glIsEnabled(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_SCISSOR_TEST);
    if (fitWidth != width) {
        glScissor(0, 0, left, height);
        glClear(GL_COLOR_BUFFER_BIT);
        glScissor(left + fitWidth, 0, width - left - fitWidth, height);
        glClear(GL_COLOR_BUFFER_BIT);
    } else {
        glScissor(0, 0, width, bottom);
        glClear(GL_COLOR_BUFFER_BIT);
        glScissor(0, bottom + fitHeight, width, height - bottom - fitHeight);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glScissor(keptBox[0], keptBox[1], keptBox[2], keptBox[3]);
    if (!keptTest) glDisable(GL_SCISSOR_TEST);
    glClearColor(keptColour[0], keptColour[1], keptColour[2], keptColour[3]);
}

// The framebuffer is bound while the drawable differs from the game's size and the default one
// while they match, so that a drawable of exactly the game's size costs no copy. The binding changes
// only between frames (bind); a size event, which can come while a drawn frame waits for its
// present, only has the framebuffer built, so that it knows whether the game keeps its size.
void fit(int width, int height, bool bind) {
    if (!picture.started || picture.unavailable || !picture.width) return;
    const bool wanted = width != picture.width || height != picture.height;
    if (wanted && !picture.framebuffer) {
        if (!buildFramebuffer(&picture))
            picture.unavailable = true;  // from now on the game's viewport follows the window
        else if (!bind)
            picture.gl.bindFramebuffer(GL_FRAMEBUFFER, 0);  // the frame under way was not scaling
    }
    if (!bind) return;
    picture.scaling = wanted && picture.framebuffer;
    if (picture.framebuffer) picture.gl.bindFramebuffer(GL_FRAMEBUFFER, picture.scaling ? picture.framebuffer : 0);
}

}  // namespace

int pictureProbe(GlProcLoader loader, int width, int height, int bits) {
    Picture trial;
    trial.width = width;
    trial.height = height;
    trial.colorBits = bits;
    trial.loader = loader;
    const bool built = buildFramebuffer(&trial);
    if (built) releaseFramebuffer(&trial);
    return built ? 1 : 0;
}

void pictureChoose(int width, int height) {
    picture = Picture{};
    picture.width = width;
    picture.height = height;
}

void pictureFormat(int colorBits, int depthBits) {
    picture.colorBits = colorBits;
    picture.depthBits = depthBits;
}

int pictureChosen() { return picture.width ? 1 : 0; }

int pictureStart(GlProcLoader loader, int width, int height) {
    picture.started = true;
    picture.loader = loader;
    fit(width, height, true);
    return 1;
}

void pictureStop() {
    if (picture.framebuffer) releaseFramebuffer(&picture);
    picture.started = false;
    picture.scaling = false;
}

void pictureForget() { picture = Picture{}; }

int pictureScalable() {
    if (!picture.started || picture.unavailable) return 0;
    if (picture.loaded) return 1;
    picture.loaded = loadCalls(picture.loader, &picture.gl);
    picture.unavailable = !picture.loaded;
    return picture.loaded ? 1 : 0;
}

void pictureSize(int drawableWidth, int drawableHeight, int* width, int* height) {
    fit(drawableWidth, drawableHeight, false);
    if (!picture.width || picture.unavailable) return;
    *width = picture.width;
    *height = picture.height;
}

int pictureToWindow(int width, int height) {
    if (!picture.scaling) return 0;
    const FramebufferCalls& gl = picture.gl;
    int fitWidth = width, fitHeight = height;
    if (static_cast<long>(width) * picture.height > static_cast<long>(height) * picture.width)
        fitWidth = static_cast<int>((static_cast<long>(height) * picture.width + picture.height / 2) / picture.height);
    else
        fitHeight = static_cast<int>((static_cast<long>(width) * picture.height + picture.width / 2) / picture.width);
    const int left = (width - fitWidth) / 2, bottom = (height - fitHeight) / 2;

    gl.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    if (fitWidth != width || fitHeight != height) clearBars(width, height, left, bottom, fitWidth, fitHeight);
    const bool sameSize = fitWidth == picture.width && fitHeight == picture.height;
    gl.blitFramebuffer(0, 0, picture.width, picture.height, left, bottom, left + fitWidth, bottom + fitHeight,
                       GL_COLOR_BUFFER_BIT, sameSize ? GL_NEAREST : GL_LINEAR);
    return 1;
}

void pictureResume(int width, int height) { fit(width, height, true); }
