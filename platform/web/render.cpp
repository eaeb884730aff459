// render.cpp — the web backend's graphics device on WebGL 1: the frame, the backdrop
// quad, textures and the sprite batch's quads, drawn into the page's 640 × 480 canvas
// with one shader (texture × colour) and alpha blending. Present is the browser's: it
// shows the canvas when the animation frame's callback returns.
//
// Placement follows the SDL backend, so both draw the same picture: the backdrop's
// texture coordinates are moved into 0..1 triangle by triangle (its v runs from -1 to
// 0) and read clamped to the edge; sprites get the shared corners with pixel centres
// at +0.5, one pixel per texel. No depth buffer: every draw lands in call order, the
// sprites sorted back to front by the batch.
//
// Contents:
//   [SECTION] device          the context, the shader, the buffers
//   [SECTION] frame           clearing, the backdrop
//   [SECTION] textures
//   [SECTION] sprite batch
#include <GLES2/gl2.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>

#include "platform/image.h"
#include "platform/last_error.h"
#include "platform/sprite_batch.h"
#include "platform/web/web.h"

namespace platform {

struct Texture {
    GLuint id;
    int width, height;
};

namespace {

struct Vertex {
    float x, y;  // clip space
    float u, v;
    uint8_t rgba[4];
};

constexpr int MAX_QUADS = MAX_SPRITES_PER_BATCH;

EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
GLuint vertexBuffer = 0, indexBuffer = 0;
Vertex vertices[MAX_QUADS * 4];

const char* const VERTEX_SHADER = R"(
attribute vec2 position;
attribute vec2 texCoord;
attribute vec4 colour;
varying vec2 uv;
varying vec4 tint;
void main() {
    gl_Position = vec4(position, 0.0, 1.0);
    uv = texCoord;
    tint = colour;
})";

// High precision where there is any: a 1024-texel side needs more than mediump's 10 bits.
const char* const FRAGMENT_SHADER = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
uniform sampler2D image;
varying vec2 uv;
varying vec4 tint;
void main() {
    gl_FragColor = texture2D(image, uv) * tint;
})";

GLuint compile(GLenum type, const char* source) {
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    return ok ? shader : 0;
}

bool makeProgram() {
    const GLuint vs = compile(GL_VERTEX_SHADER, VERTEX_SHADER), fs = compile(GL_FRAGMENT_SHADER, FRAGMENT_SHADER);
    if (!vs || !fs) return false;
    const GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glBindAttribLocation(program, 0, "position");
    glBindAttribLocation(program, 1, "texCoord");
    glBindAttribLocation(program, 2, "colour");
    glLinkProgram(program);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) return false;
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "image"), 0);
    return true;
}

void makeBuffers() {
    static uint16_t indices[MAX_QUADS * 6];
    static const uint16_t QUAD[6] = {0, 1, 2, 1, 3, 2};  // corners: top left, top right, bottom left, bottom right
    for (int q = 0; q < MAX_QUADS; ++q)
        for (int i = 0; i < 6; ++i) indices[q * 6 + i] = static_cast<uint16_t>(q * 4 + QUAD[i]);
    glGenBuffers(1, &indexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof indices, indices, GL_STATIC_DRAW);
    glGenBuffers(1, &vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof vertices, nullptr, GL_STREAM_DRAW);
    const GLsizei stride = sizeof(Vertex);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(Vertex, x)));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(Vertex, u)));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride, reinterpret_cast<void*>(offsetof(Vertex, rgba)));
}

// Back-buffer pixels (y downwards, pixel i from i to i + 1) to clip space.
void toClip(float px, float py, Vertex* v) {
    v->x = px / (BACK_BUFFER_WIDTH * 0.5f) - 1.0f;
    v->y = 1.0f - py / (BACK_BUFFER_HEIGHT * 0.5f);
}

void setColour(uint32_t argb, Vertex* v) {
    v->rgba[0] = static_cast<uint8_t>(argb >> 16);
    v->rgba[1] = static_cast<uint8_t>(argb >> 8);
    v->rgba[2] = static_cast<uint8_t>(argb);
    v->rgba[3] = static_cast<uint8_t>(argb >> 24);
}

}  // namespace

// [SECTION] device

bool openDevice() {
    if (context > 0) return true;
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_FALSE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.majorVersion = 1;
    attributes.minorVersion = 0;
    // The test reads the picture back after the frame's step has returned.
    attributes.preserveDrawingBuffer = webTestMode() ? EM_TRUE : EM_FALSE;
    emscripten_set_canvas_element_size("#canvas", BACK_BUFFER_WIDTH, BACK_BUFFER_HEIGHT);
    context = emscripten_webgl_create_context("#canvas", &attributes);
    if (context <= 0) {
        context = 0;
        setLastError("no WebGL", "this browser does not offer WebGL, or it is turned off");
        return false;
    }
    emscripten_webgl_make_context_current(context);
    if (!makeProgram()) {
        setLastError("WebGL", "the shader did not compile");
        return false;
    }
    makeBuffers();
    glViewport(0, 0, BACK_BUFFER_WIDTH, BACK_BUFFER_HEIGHT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glActiveTexture(GL_TEXTURE0);
    return true;
}

void present() {}

// [SECTION] frame

void beginFrame(uint32_t argb, float) {
    if (!context) return;
    glClearColor(((argb >> 16) & 0xFF) / 255.0f, ((argb >> 8) & 0xFF) / 255.0f, (argb & 0xFF) / 255.0f,
                 (argb >> 24) / 255.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

void drawBackdrop(Texture* texture, const math::Matrix& world, const QuadVertex quad[4]) {
    if (!context || !texture) return;
    // The strip's two triangles, the second turned round to share the first's winding.
    static const int STRIP[6] = {0, 1, 2, 2, 1, 3};
    Vertex out[6];
    for (int i = 0; i < 6; ++i) {
        const QuadVertex& q = quad[STRIP[i]];
        float p[4];
        for (int c = 0; c < 4; ++c) p[c] = q.x * world.m[0][c] + q.y * world.m[1][c] + q.z * world.m[2][c] + world.m[3][c];
        const float w = p[3] > 0.0f ? p[3] : 1.0f;
        out[i] = Vertex{p[0] / w, p[1] / w, q.u, q.v, {255, 255, 255, 255}};
    }
    // Wrap addressing: each triangle moved by whole periods into 0..1 (clamped there if
    // it spans more than one), as the SDL backend does.
    for (Vertex* t : {out, out + 3}) {
        const float du = std::floor(std::min({t[0].u, t[1].u, t[2].u}));
        const float dv = std::floor(std::min({t[0].v, t[1].v, t[2].v}));
        for (int i = 0; i < 3; ++i) {
            t[i].u = std::fmin(std::fmax(t[i].u - du, 0.0f), 1.0f);
            t[i].v = std::fmin(std::fmax(t[i].v - dv, 0.0f), 1.0f);
        }
    }
    glBindTexture(GL_TEXTURE_2D, texture->id);
    glBufferSubData(GL_ARRAY_BUFFER, 0, sizeof out, out);
    glDrawArrays(GL_TRIANGLES, 0, 6);
}

// [SECTION] textures

Texture* createTexture(const uint8_t* png, uint32_t length, uint32_t colourKey) {
    Image image;
    if (!decodeTextureImage(context > 0, png, length, colourKey, &image)) return nullptr;
    GLuint id = 0;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.width, image.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 image.rgba.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &id);
        setLastError("texture upload", "WebGL refused the texture");
        return nullptr;
    }
    return new Texture{id, image.width, image.height};
}

int textureWidth(const Texture* texture) { return texture ? texture->width : 0; }
int textureHeight(const Texture* texture) { return texture ? texture->height : 0; }

// [SECTION] sprite batch

void spriteEnd(SpriteBatch* batch) {
    spriteSortForEnd(batch);
    if (!context || batch->count == 0) return;
    for (int i = 0; i < batch->count; ++i) {
        const SpriteDrawRecord& d = batch->draws[batch->order[i]];
        float xy[4][2];
        spriteCorners(d, d.texture->width, d.texture->height, xy);
        for (int k = 0; k < 4; ++k) {
            Vertex& v = vertices[i * 4 + k];
            toClip(xy[k][0] + 0.5f, xy[k][1] + 0.5f, &v);  // pixel centres at +0.5
            v.u = static_cast<float>(k & 1);
            v.v = static_cast<float>(k >> 1);
            setColour(d.colour, &v);
        }
    }
    glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(batch->count) * 4 * sizeof(Vertex), vertices);
    // One draw call for each run of sprites sharing a texture, in the batch's order.
    for (int first = 0; first < batch->count;) {
        Texture* texture = batch->draws[batch->order[first]].texture;
        int end = first + 1;
        while (end < batch->count && batch->draws[batch->order[end]].texture == texture) ++end;
        glBindTexture(GL_TEXTURE_2D, texture->id);
        glDrawElements(GL_TRIANGLES, (end - first) * 6, GL_UNSIGNED_SHORT,
                       reinterpret_cast<void*>(static_cast<uintptr_t>(first) * 6 * sizeof(uint16_t)));
        first = end;
    }
}

}  // namespace platform
