// The renderer's GL 1.x calls on WebGL: batches into one buffer, fixed-function lighting in one shader.
#include "platform/web/gl1.h"

// The WebGL calls under their emscripten_ names, so that the GL 1.x entry points defined here can
// keep the real names without colliding with emscripten's own.
#include <webgl/webgl1.h>

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {
const int lightCount = 8;
const double pi = 3.14159265358979323846;

struct Vertex {
    GLfloat position[3];
    GLfloat normal[3];
    GLfloat texCoord[2];
};

struct Light {
    GLfloat ambient[4];
    GLfloat diffuse[4];
    GLfloat eyePosition[4];  // taken through the modelview current at glLightfv
    bool on;
};

// Column-major 4 x 4, as GL keeps them.
typedef GLfloat Matrix[16];

Matrix modelview;
Matrix projection;
GLfloat* currentMatrix = modelview;

Light lights[lightCount];
bool lighting = false;
bool texturing = false;

// The state WebGL itself holds, kept here too so that a restored context can be given it again.
struct ContextState {
    GLfloat clearColor[4];
    GLfloat clearDepth;
    GLenum depthFunc;
    bool depthTest;
    bool viewportSet;  // until the first glViewport, the context's own (the canvas size)
    GLint viewport[4];
};
ContextState contextState;
bool lightsChanged = true;
bool matricesChanged = true;

GLfloat currentNormal[3] = {0.0f, 0.0f, 1.0f};
GLfloat currentTexCoord[2] = {0.0f, 0.0f};
GLenum batchMode = 0;
bool inBatch = false;
std::vector<Vertex> batch;
std::vector<Vertex> triangles;  // the batch as WebGL draws it, quads split

GLuint program = 0;
GLuint vertexBuffer = 0;
GLint modelviewUniform = -1, projectionUniform = -1, normalMatrixUniform = -1;
GLint lightingUniform = -1, texturingUniform = -1;
GLint lightOnUniform = -1, lightAmbientUniform = -1, lightDiffuseUniform = -1, lightPositionUniform = -1;

// Per vertex, what GL 1.x computes with the renderer's material and light model, which keep their
// initial values: material ambient 0.2 and diffuse 0.8 (alpha 1), no emission, no specular part,
// scene ambient 0.2, no attenuation or spot, GL_NORMALIZE off (the normal keeps its length), and
// the lit colour clamped per channel before it is interpolated.
const char* const vertexShaderSource = R"(
attribute vec3 position;
attribute vec3 normal;
attribute vec2 texCoord;
uniform mat4 modelview;
uniform mat4 projection;
uniform mat3 normalMatrix;
uniform bool lighting;
uniform bool lightOn[8];
uniform vec4 lightAmbient[8];
uniform vec4 lightDiffuse[8];
uniform vec4 lightPosition[8];
varying vec4 color;
varying vec2 fragmentTexCoord;
const vec3 materialAmbient = vec3(0.2);
const vec4 materialDiffuse = vec4(0.8, 0.8, 0.8, 1.0);
const vec3 sceneAmbient = vec3(0.2);
void main() {
    vec4 eye = modelview * vec4(position, 1.0);
    gl_Position = projection * eye;
    fragmentTexCoord = texCoord;
    if (!lighting) {
        color = vec4(1.0);
        return;
    }
    vec3 eyeNormal = normalMatrix * normal;
    vec3 lit = materialAmbient * sceneAmbient;
    for (int i = 0; i < 8; ++i) {
        if (!lightOn[i]) continue;
        vec4 place = lightPosition[i];
        vec3 toLight = place.w != 0.0 ? place.xyz / place.w - eye.xyz / eye.w : place.xyz;
        float facing = max(dot(eyeNormal, normalize(toLight)), 0.0);
        lit += materialAmbient * lightAmbient[i].rgb + facing * materialDiffuse.rgb * lightDiffuse[i].rgb;
    }
    color = vec4(clamp(lit, 0.0, 1.0), materialDiffuse.a);
}
)";

// GL_MODULATE with an RGB texture: texel colour times the lit colour, alpha from the lit colour.
const char* const fragmentShaderSource = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
uniform sampler2D picture;
uniform bool texturing;
varying vec4 color;
varying vec2 fragmentTexCoord;
void main() {
    gl_FragColor = texturing ? vec4(texture2D(picture, fragmentTexCoord).rgb * color.rgb, color.a) : color;
}
)";

// A call given a value outside what the renderer uses: said on standard error (the browser's
// console) so that it shows, a bounded number of times so that a frame loop cannot flood it.
void unsupported(const char* call, unsigned value) {
    static int told = 0;
    if (told >= 20) return;
    ++told;
    std::fprintf(stderr, "gl1: %s does not take 0x%04x\n", call, value);
}

void loadIdentity(GLfloat* m) {
    for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

// m = m * r, both column-major.
void multiply(GLfloat* m, const GLfloat* r) {
    GLfloat product[16];
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            GLfloat sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += m[k * 4 + row] * r[column * 4 + k];
            product[column * 4 + row] = sum;
        }
    for (int i = 0; i < 16; ++i) m[i] = product[i];
}

// The inverse transpose of the modelview's upper 3 x 3, which takes normals to eye space.
void normalMatrix(const GLfloat* m, GLfloat* out) {
    const double a = m[0], b = m[4], c = m[8];
    const double d = m[1], e = m[5], f = m[9];
    const double g = m[2], h = m[6], i = m[10];
    const double cofactors[9] = {e * i - f * h, -(d * i - f * g), d * h - e * g,
                                 -(b * i - c * h), a * i - c * g, -(a * h - b * g),
                                 b * f - c * e, -(a * f - c * d), a * e - b * d};
    const double det = a * cofactors[0] + b * cofactors[1] + c * cofactors[2];
    const double scale = det != 0.0 ? 1.0 / det : 0.0;
    // Row r of the cofactor matrix is column r of the inverse transpose.
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            out[column * 3 + row] = static_cast<GLfloat>(cofactors[row * 3 + column] * scale);
}

void resetState() {
    loadIdentity(modelview);
    loadIdentity(projection);
    currentMatrix = modelview;
    for (int i = 0; i < lightCount; ++i) {
        Light& light = lights[i];
        // Light 0 alone starts white; all start at (0, 0, 1, 0), a light from the viewer.
        const GLfloat diffuse = (i == 0) ? 1.0f : 0.0f;
        const GLfloat ambient[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        const GLfloat initialDiffuse[4] = {diffuse, diffuse, diffuse, 1.0f};
        const GLfloat position[4] = {0.0f, 0.0f, 1.0f, 0.0f};
        for (int k = 0; k < 4; ++k) {
            light.ambient[k] = ambient[k];
            light.diffuse[k] = initialDiffuse[k];
            light.eyePosition[k] = position[k];
        }
        light.on = false;
    }
    lighting = false;
    texturing = false;
    lightsChanged = true;
    matricesChanged = true;
    currentNormal[0] = 0.0f;
    currentNormal[1] = 0.0f;
    currentNormal[2] = 1.0f;
    currentTexCoord[0] = 0.0f;
    currentTexCoord[1] = 0.0f;
    inBatch = false;
    batch.clear();
    contextState = ContextState{{0.0f, 0.0f, 0.0f, 0.0f}, 1.0f, GL_LESS, false, false, {0, 0, 0, 0}};
}

// Gives WebGL the state the layer keeps for it, on a context that has just been restored.
void applyContextState() {
    const ContextState& c = contextState;
    emscripten_glClearColor(c.clearColor[0], c.clearColor[1], c.clearColor[2], c.clearColor[3]);
    emscripten_glClearDepthf(c.clearDepth);
    emscripten_glDepthFunc(c.depthFunc);
    if (c.depthTest)
        emscripten_glEnable(GL_DEPTH_TEST);
    else
        emscripten_glDisable(GL_DEPTH_TEST);
    if (c.viewportSet) emscripten_glViewport(c.viewport[0], c.viewport[1], c.viewport[2], c.viewport[3]);
}

// What the renderer set through the layer, as a whole, so that a restore can put it back.
struct LayerState {
    Matrix modelview, projection;
    bool modelviewCurrent;
    Light lights[lightCount];
    bool lighting, texturing;
    GLfloat normal[3], texCoord[2];
    ContextState context;
};

void saveLayerState(LayerState* saved) {
    std::memcpy(saved->modelview, modelview, sizeof modelview);
    std::memcpy(saved->projection, projection, sizeof projection);
    saved->modelviewCurrent = currentMatrix == modelview;
    std::memcpy(saved->lights, lights, sizeof lights);
    saved->lighting = lighting;
    saved->texturing = texturing;
    std::memcpy(saved->normal, currentNormal, sizeof currentNormal);
    std::memcpy(saved->texCoord, currentTexCoord, sizeof currentTexCoord);
    saved->context = contextState;
}

void putBackLayerState(const LayerState& saved) {
    std::memcpy(modelview, saved.modelview, sizeof modelview);
    std::memcpy(projection, saved.projection, sizeof projection);
    currentMatrix = saved.modelviewCurrent ? modelview : projection;
    std::memcpy(lights, saved.lights, sizeof lights);
    lighting = saved.lighting;
    texturing = saved.texturing;
    std::memcpy(currentNormal, saved.normal, sizeof currentNormal);
    std::memcpy(currentTexCoord, saved.texCoord, sizeof currentTexCoord);
    contextState = saved.context;
    lightsChanged = true;
    matricesChanged = true;
    applyContextState();
}

GLuint compileShader(GLenum type, const char* source) {
    const GLuint shader = emscripten_glCreateShader(type);
    if (!shader) return 0;
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    GLint compiled = 0;
    emscripten_glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (!compiled) {
        char log[512] = "";
        emscripten_glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "gl1: shader did not compile: %s\n", log);
        emscripten_glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLuint linkProgram() {
    const GLuint vertexShader = compileShader(GL_VERTEX_SHADER, vertexShaderSource);
    const GLuint fragmentShader = compileShader(GL_FRAGMENT_SHADER, fragmentShaderSource);
    GLuint linked = 0;
    if (vertexShader && fragmentShader) {
        linked = emscripten_glCreateProgram();
        emscripten_glAttachShader(linked, vertexShader);
        emscripten_glAttachShader(linked, fragmentShader);
        emscripten_glBindAttribLocation(linked, 0, "position");
        emscripten_glBindAttribLocation(linked, 1, "normal");
        emscripten_glBindAttribLocation(linked, 2, "texCoord");
        emscripten_glLinkProgram(linked);
        GLint status = 0;
        emscripten_glGetProgramiv(linked, GL_LINK_STATUS, &status);
        if (!status) {
            char log[512] = "";
            emscripten_glGetProgramInfoLog(linked, sizeof log, nullptr, log);
            std::fprintf(stderr, "gl1: shader program did not link: %s\n", log);
            emscripten_glDeleteProgram(linked);
            linked = 0;
        }
    }
    // The program keeps what it needs; the shaders themselves are no longer wanted.
    if (vertexShader) emscripten_glDeleteShader(vertexShader);
    if (fragmentShader) emscripten_glDeleteShader(fragmentShader);
    return linked;
}

void uploadMatrices() {
    emscripten_glUniformMatrix4fv(modelviewUniform, 1, GL_FALSE, modelview);
    emscripten_glUniformMatrix4fv(projectionUniform, 1, GL_FALSE, projection);
    GLfloat normals[9];
    normalMatrix(modelview, normals);
    emscripten_glUniformMatrix3fv(normalMatrixUniform, 1, GL_FALSE, normals);
    matricesChanged = false;
}

void uploadLights() {
    GLint on[lightCount];
    GLfloat ambient[lightCount * 4], diffuse[lightCount * 4], position[lightCount * 4];
    for (int i = 0; i < lightCount; ++i) {
        on[i] = lights[i].on ? 1 : 0;
        for (int k = 0; k < 4; ++k) {
            ambient[i * 4 + k] = lights[i].ambient[k];
            diffuse[i * 4 + k] = lights[i].diffuse[k];
            position[i * 4 + k] = lights[i].eyePosition[k];
        }
    }
    emscripten_glUniform1i(lightingUniform, lighting ? 1 : 0);
    emscripten_glUniform1iv(lightOnUniform, lightCount, on);
    emscripten_glUniform4fv(lightAmbientUniform, lightCount, ambient);
    emscripten_glUniform4fv(lightDiffuseUniform, lightCount, diffuse);
    emscripten_glUniform4fv(lightPositionUniform, lightCount, position);
    lightsChanged = false;
}

// Which light a GL_LIGHTi names, or -1.
int lightIndex(GLenum light) {
    return (light >= GL_LIGHT0 && light < GL_LIGHT0 + lightCount) ? static_cast<int>(light - GL_LIGHT0) : -1;
}

// Sets or clears one GL 1.x capability; false for one the layer does not have.
bool setCapability(GLenum cap, bool on) {
    const int light = lightIndex(cap);
    if (light >= 0) {
        lights[light].on = on;
        lightsChanged = true;
    } else if (cap == GL_LIGHTING) {
        lighting = on;
        lightsChanged = true;
    } else if (cap == GL_TEXTURE_2D) {
        texturing = on;
    } else if (cap == GL_DEPTH_TEST) {
        contextState.depthTest = on;
        if (on)
            emscripten_glEnable(cap);
        else
            emscripten_glDisable(cap);
    } else {
        return false;
    }
    return true;
}

bool isPowerOfTwo(GLsizei n) { return n > 0 && (n & (n - 1)) == 0; }
}  // namespace

namespace {

// The shader program and vertex buffer on the current context, bound for good.
int buildProgramAndBuffer() {
    program = linkProgram();
    if (!program) return 0;
    emscripten_glGenBuffers(1, &vertexBuffer);
    if (!vertexBuffer) {
        std::fprintf(stderr, "gl1: no vertex buffer\n");
        gl1Close();
        return 0;
    }
    emscripten_glUseProgram(program);
    modelviewUniform = emscripten_glGetUniformLocation(program, "modelview");
    projectionUniform = emscripten_glGetUniformLocation(program, "projection");
    normalMatrixUniform = emscripten_glGetUniformLocation(program, "normalMatrix");
    lightingUniform = emscripten_glGetUniformLocation(program, "lighting");
    texturingUniform = emscripten_glGetUniformLocation(program, "texturing");
    lightOnUniform = emscripten_glGetUniformLocation(program, "lightOn");
    lightAmbientUniform = emscripten_glGetUniformLocation(program, "lightAmbient");
    lightDiffuseUniform = emscripten_glGetUniformLocation(program, "lightDiffuse");
    lightPositionUniform = emscripten_glGetUniformLocation(program, "lightPosition");
    emscripten_glUniform1i(emscripten_glGetUniformLocation(program, "picture"), 0);

    // The one program and buffer stay bound: nothing else draws on this context.
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    const GLsizei stride = sizeof(Vertex);
    emscripten_glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<const void*>(offsetof(Vertex, position)));
    emscripten_glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<const void*>(offsetof(Vertex, normal)));
    emscripten_glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<const void*>(offsetof(Vertex, texCoord)));
    for (GLuint attribute = 0; attribute < 3; ++attribute) emscripten_glEnableVertexAttribArray(attribute);
    return 1;
}

}  // namespace

int gl1Open() {
    resetState();
    return buildProgramAndBuffer();
}

int gl1Restore(int (*reupload)()) {
    // The old program and buffer went with the lost context; their names mean nothing now.
    program = 0;
    vertexBuffer = 0;
    inBatch = false;
    batch.clear();
    LayerState saved;
    saveLayerState(&saved);
    if (!buildProgramAndBuffer()) return 0;
    const int uploaded = reupload ? reupload() : 1;
    putBackLayerState(saved);
    return uploaded;
}

void gl1Close() {
    if (vertexBuffer) emscripten_glDeleteBuffers(1, &vertexBuffer);
    if (program) emscripten_glDeleteProgram(program);
    vertexBuffer = 0;
    program = 0;
}

extern "C" {

void glClear(GLbitfield mask) { emscripten_glClear(mask); }

void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha) {
    GLfloat* kept = contextState.clearColor;
    kept[0] = red;
    kept[1] = green;
    kept[2] = blue;
    kept[3] = alpha;
    emscripten_glClearColor(red, green, blue, alpha);
}

void glClearDepth(GLclampd depth) {
    contextState.clearDepth = static_cast<GLfloat>(depth);
    emscripten_glClearDepthf(contextState.clearDepth);
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    contextState.viewportSet = true;
    GLint* kept = contextState.viewport;
    kept[0] = x;
    kept[1] = y;
    kept[2] = width;
    kept[3] = height;
    emscripten_glViewport(x, y, width, height);
}

void glDepthFunc(GLenum func) {
    contextState.depthFunc = func;
    emscripten_glDepthFunc(func);
}

void glHint(GLenum target, GLenum mode) {
    // WebGL always interpolates with perspective correction, the nicest there is.
    if (target != GL_PERSPECTIVE_CORRECTION_HINT) unsupported("glHint", target);
    (void)mode;
}

void glEnable(GLenum cap) {
    if (!setCapability(cap, true)) unsupported("glEnable", cap);
}

void glDisable(GLenum cap) {
    if (!setCapability(cap, false)) unsupported("glDisable", cap);
}

void glShadeModel(GLenum mode) {
    // Gouraud shading is what interpolated varyings give; flat shading is not provided.
    if (mode != GL_SMOOTH) unsupported("glShadeModel", mode);
}

void glMatrixMode(GLenum mode) {
    if (mode == GL_MODELVIEW)
        currentMatrix = modelview;
    else if (mode == GL_PROJECTION)
        currentMatrix = projection;
    else
        unsupported("glMatrixMode", mode);
}

void glLoadIdentity(void) {
    loadIdentity(currentMatrix);
    matricesChanged = true;
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    GLfloat* m = currentMatrix;
    for (int row = 0; row < 4; ++row) m[12 + row] += m[row] * x + m[4 + row] * y + m[8 + row] * z;
    matricesChanged = true;
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    const double length = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
    if (length == 0.0) return;  // no axis: GL leaves the matrix as it is
    const double ax = x / length, ay = y / length, az = z / length;
    const double radians = angle * pi / 180.0;
    const double s = std::sin(radians), c = std::cos(radians), t = 1.0 - c;
    const GLfloat rotation[16] = {
        GLfloat(ax * ax * t + c),      GLfloat(ay * ax * t + az * s), GLfloat(ax * az * t - ay * s), 0.0f,
        GLfloat(ax * ay * t - az * s), GLfloat(ay * ay * t + c),      GLfloat(ay * az * t + ax * s), 0.0f,
        GLfloat(ax * az * t + ay * s), GLfloat(ay * az * t - ax * s), GLfloat(az * az * t + c),      0.0f,
        0.0f,                          0.0f,                          0.0f,                          1.0f};
    multiply(currentMatrix, rotation);
    matricesChanged = true;
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    const double radians = fovy / 2.0 * pi / 180.0;
    const double depth = zFar - zNear;
    const double sine = std::sin(radians);
    if (depth == 0.0 || sine == 0.0 || aspect == 0.0) return;  // degenerate: GLU leaves the matrix
    const double cotangent = std::cos(radians) / sine;
    const GLfloat perspective[16] = {GLfloat(cotangent / aspect), 0.0f, 0.0f, 0.0f,
                                     0.0f, GLfloat(cotangent), 0.0f, 0.0f,
                                     0.0f, 0.0f, GLfloat(-(zFar + zNear) / depth), -1.0f,
                                     0.0f, 0.0f, GLfloat(-2.0 * zNear * zFar / depth), 0.0f};
    multiply(currentMatrix, perspective);
    matricesChanged = true;
}

void glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
    const int index = lightIndex(light);
    if (index < 0) {
        unsupported("glLightfv", light);
        return;
    }
    Light& target = lights[index];
    if (pname == GL_AMBIENT) {
        for (int k = 0; k < 4; ++k) target.ambient[k] = params[k];
    } else if (pname == GL_DIFFUSE) {
        for (int k = 0; k < 4; ++k) target.diffuse[k] = params[k];
    } else if (pname == GL_POSITION) {
        // Fixed in eye space by the modelview of this moment, as GL 1.x does.
        for (int row = 0; row < 4; ++row)
            target.eyePosition[row] = modelview[row] * params[0] + modelview[4 + row] * params[1] +
                                      modelview[8 + row] * params[2] + modelview[12 + row] * params[3];
    } else {
        unsupported("glLightfv", pname);
        return;
    }
    lightsChanged = true;
}

void glBegin(GLenum mode) {
    if (mode != GL_TRIANGLES && mode != GL_QUADS) unsupported("glBegin", mode);
    batchMode = mode;
    inBatch = true;
    batch.clear();
}

void glNormal3f(GLfloat nx, GLfloat ny, GLfloat nz) {
    currentNormal[0] = nx;
    currentNormal[1] = ny;
    currentNormal[2] = nz;
}

void glTexCoord2f(GLfloat s, GLfloat t) {
    currentTexCoord[0] = s;
    currentTexCoord[1] = t;
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    if (!inBatch) return;  // outside glBegin/glEnd GL ignores a vertex
    Vertex vertex = {{x, y, z},
                     {currentNormal[0], currentNormal[1], currentNormal[2]},
                     {currentTexCoord[0], currentTexCoord[1]}};
    batch.push_back(vertex);
}

void glEnd(void) {
    if (!inBatch) return;
    inBatch = false;
    triangles.clear();
    if (batchMode == GL_TRIANGLES) {
        triangles.assign(batch.begin(), batch.begin() + static_cast<std::ptrdiff_t>(batch.size() / 3 * 3));
    } else if (batchMode == GL_QUADS) {
        // A quad as two triangles of a fan. Which diagonal does not show here: the renderer's lit
        // quads stand nearly symmetric to their light, so their corner colours have no twist.
        for (size_t q = 0; q + 4 <= batch.size(); q += 4) {
            const size_t order[6] = {0, 1, 2, 0, 2, 3};
            for (size_t k : order) triangles.push_back(batch[q + k]);
        }
    }
    if (triangles.empty() || !program) return;
    if (matricesChanged) uploadMatrices();
    if (lightsChanged) uploadLights();
    emscripten_glUniform1i(texturingUniform, texturing ? 1 : 0);
    emscripten_glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(triangles.size() * sizeof(Vertex)),
                            triangles.data(), GL_STREAM_DRAW);
    emscripten_glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(triangles.size()));
}

void glGenTextures(GLsizei n, GLuint* textures) { emscripten_glGenTextures(n, textures); }

void glBindTexture(GLenum target, GLuint texture) { emscripten_glBindTexture(target, texture); }

void glTexParameteri(GLenum target, GLenum pname, GLint param) {
    const bool filter = pname == GL_TEXTURE_MAG_FILTER || pname == GL_TEXTURE_MIN_FILTER;
    const bool plain = param == GL_NEAREST || param == GL_LINEAR;
    // Only minification goes through the mipmap levels.
    const bool mipmapped = pname == GL_TEXTURE_MIN_FILTER &&
                           (param == GL_NEAREST_MIPMAP_NEAREST || param == GL_LINEAR_MIPMAP_NEAREST ||
                            param == GL_NEAREST_MIPMAP_LINEAR || param == GL_LINEAR_MIPMAP_LINEAR);
    if (!filter || (!plain && !mipmapped)) {
        unsupported("glTexParameteri", filter ? static_cast<unsigned>(param) : pname);
        return;
    }
    emscripten_glTexParameteri(target, pname, param);
}

void glTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const GLvoid* pixels) {
    // Rows come aligned as glPixelStorei last said, which WebGL keeps as GL 1.x does.
    // GL 1.x's component count 3 is WebGL's GL_RGB, and WebGL wants the two formats equal.
    if (internalformat != 3 && internalformat != GL_RGB) {
        unsupported("glTexImage2D", static_cast<unsigned>(internalformat));
        return;
    }
    if (format != GL_RGB || type != GL_UNSIGNED_BYTE) {
        unsupported("glTexImage2D", format != GL_RGB ? format : type);
        return;
    }
    emscripten_glTexImage2D(target, level, GL_RGB, width, height, border, format, type, pixels);
    // WebGL 1 samples a repeating picture of another size as black; clamping keeps it visible.
    if (!isPowerOfTwo(width) || !isPowerOfTwo(height)) {
        emscripten_glTexParameteri(target, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        emscripten_glTexParameteri(target, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
}

void glPixelStorei(GLenum pname, GLint param) {
    const bool alignment = pname == GL_UNPACK_ALIGNMENT || pname == GL_PACK_ALIGNMENT;
    if (!alignment || (param != 1 && param != 2 && param != 4 && param != 8)) {
        unsupported("glPixelStorei", !alignment ? pname : static_cast<unsigned>(param));
        return;
    }
    emscripten_glPixelStorei(pname, param);
}

void glGetIntegerv(GLenum pname, GLint* params) {
    if (pname != GL_MAX_TEXTURE_SIZE) {
        unsupported("glGetIntegerv", pname);
        return;
    }
    emscripten_glGetIntegerv(pname, params);
}

GLenum glGetError(void) { return emscripten_glGetError(); }

}  // extern "C"
