// render.cpp — the graphics device, textures and sprite batch over an SDL renderer,
// shared by both backends.
//
// Contents:
//   [SECTION] device          making the device record, clearing
//   [SECTION] geometry        lighting, culling, wrap addressing, drawing primitives
//   [SECTION] textures        decoding an image into a texture, its size
//   [SECTION] sprite batch    the batch's end, drawn as textured quads
// The state-only calls are device_state.cpp's, the batch's recording sprite_batch.cpp's.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "image.h"
#include "render_internal.h"

namespace platform {

// [SECTION] device

DeviceState* deviceStateOf(Device* device) { return device ? &device->state : nullptr; }

void renderMakeDevice(Device* device, SDL_Renderer* renderer, SDL_Texture* backBuffer) {
    device->renderer = renderer;
    device->backBuffer = backBuffer;
    deviceStateReset(&device->state);
    SDL_RendererInfo info{};
    device->drawPixels = true;
    device->softwareRenderer = SDL_GetRendererInfo(renderer, &info) == 0 && (info.flags & SDL_RENDERER_SOFTWARE);
}

int deviceClear(Device* device, uint32_t rectCount, const void* rects, uint32_t flags, uint32_t colour, float,
                uint32_t) {
    if (!device || (rectCount != 0 && !rects)) return -1;
    if (!(flags & CLEAR_TARGET)) return 0;  // no depth or stencil buffer to clear
    if (!device->drawPixels) return 0;
    SDL_SetRenderDrawBlendMode(device->renderer, SDL_BLENDMODE_NONE);
    SDL_SetRenderDrawColor(device->renderer, (colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF, colour >> 24);
    if (rectCount == 0) return SDL_RenderClear(device->renderer) == 0 ? 0 : -1;
    // Rectangles as left, top, right, bottom (32-bit each).
    const int32_t* r = static_cast<const int32_t*>(rects);
    for (uint32_t i = 0; i < rectCount; ++i, r += 4) {
        SDL_Rect rect{r[0], r[1], r[2] - r[0], r[3] - r[1]};
        SDL_RenderFillRect(device->renderer, &rect);
    }
    return 0;
}

// [SECTION] geometry

namespace {

constexpr int MAX_PRIMITIVE_VERTICES = 3 * 1024;

struct ClipVertex {
    float x, y;  // back-buffer pixels, ours (pixel centres at +0.5)
    float u, v;
    SDL_Color colour;
    bool visible;  // in front of the eye (w > 0)
};

uint8_t toByte(float f) { return static_cast<uint8_t>(std::lround(std::fmin(std::fmax(f, 0.0f), 1.0f) * 255.0f)); }

SDL_BlendMode blendModeOf(const Device& d) {
    if (!d.state.renderStates[RS_ALPHABLENDENABLE]) return SDL_BLENDMODE_NONE;
    uint32_t src = d.state.renderStates[RS_SRCBLEND], dst = d.state.renderStates[RS_DESTBLEND];
    if (src == BLEND_ONE && dst == BLEND_ZERO) return SDL_BLENDMODE_NONE;
    if (src == BLEND_ONE && dst == BLEND_ONE) return SDL_BLENDMODE_ADD;
    if (src == BLEND_SRCALPHA && dst == BLEND_ONE) return SDL_BLENDMODE_ADD;
    return SDL_BLENDMODE_BLEND;  // source alpha over the rest; other pairs are approximated by it
}

// The colour of a vertex after lighting and texture stage 0.
SDL_Color vertexColour(const Device& d, const uint8_t* diffuse, bool textured) {
    float r, g, b, a;
    if (d.state.renderStates[RS_LIGHTING]) {
        // No lights are ever set: emissive plus the ambient state times the material's ambient.
        uint32_t amb = d.state.renderStates[RS_AMBIENT];
        const Material& m = d.state.material;
        r = m.emissive.r + ((amb >> 16) & 0xFF) / 255.0f * m.ambient.r;
        g = m.emissive.g + ((amb >> 8) & 0xFF) / 255.0f * m.ambient.g;
        b = m.emissive.b + (amb & 0xFF) / 255.0f * m.ambient.b;
        a = m.diffuse.a;
        if (diffuse) {
            uint32_t c;
            std::memcpy(&c, diffuse, 4);
            a = (c >> 24) / 255.0f;
        }
    } else if (diffuse) {
        uint32_t c;
        std::memcpy(&c, diffuse, 4);
        r = ((c >> 16) & 0xFF) / 255.0f, g = ((c >> 8) & 0xFF) / 255.0f, b = (c & 0xFF) / 255.0f;
        a = (c >> 24) / 255.0f;
    } else {
        r = g = b = a = 1.0f;
    }
    // Stage 0: colour = texture × diffuse, alpha = the texture's own.
    if (textured) a = 1.0f;
    return SDL_Color{toByte(r), toByte(g), toByte(b), toByte(a)};
}

ClipVertex transformVertex(const Device& d, const Matrix& wvp, const uint8_t* v, bool textured, int diffuseOffset,
                           int texOffset) {
    float p[3];
    std::memcpy(p, v, sizeof p);
    float out[4];
    for (int c = 0; c < 4; ++c) out[c] = p[0] * wvp.m[0][c] + p[1] * wvp.m[1][c] + p[2] * wvp.m[2][c] + wvp.m[3][c];
    ClipVertex cv{};
    cv.visible = out[3] > 0.0f;
    float w = cv.visible ? out[3] : 1.0f;
    cv.x = (out[0] / w + 1.0f) * 0.5f * BACK_BUFFER_WIDTH;
    cv.y = (1.0f - out[1] / w) * 0.5f * BACK_BUFFER_HEIGHT;
    if (texOffset >= 0) {
        float uv[2];
        std::memcpy(uv, v + texOffset, sizeof uv);
        cv.u = uv[0];
        cv.v = uv[1];
    }
    cv.colour = vertexColour(d, diffuseOffset >= 0 ? v + diffuseOffset : nullptr, textured);
    return cv;
}

// Culling on the screen winding; a and b, c as they arrive (strips already re-ordered).
bool culled(uint32_t mode, const ClipVertex& a, const ClipVertex& b, const ClipVertex& c) {
    float area = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);  // > 0: clockwise on screen (y down)
    if (mode == CULL_CW) return area > 0.0f;
    if (mode == CULL_CCW) return area < 0.0f;
    return false;
}

// Moves a triangle's texture coordinates by whole periods into 0..1 (wrap addressing);
// a triangle spanning more than one period is clamped there.
void wrapIntoRange(SDL_Vertex* t, const Texture& texture) {
    float minU = std::min({t[0].tex_coord.x, t[1].tex_coord.x, t[2].tex_coord.x});
    float minV = std::min({t[0].tex_coord.y, t[1].tex_coord.y, t[2].tex_coord.y});
    const float du = std::floor(minU), dv = std::floor(minV);  // v from -1 to 0 becomes 0 to 1
    const float su = texture.width / texture.uDivisor, sv = texture.height / texture.vDivisor;
    for (int i = 0; i < 3; ++i) {
        t[i].tex_coord.x = std::fmin(std::fmax(t[i].tex_coord.x - du, 0.0f), 1.0f) * su;
        t[i].tex_coord.y = std::fmin(std::fmax(t[i].tex_coord.y - dv, 0.0f), 1.0f) * sv;
    }
}

SDL_Vertex toSdl(const ClipVertex& c) { return SDL_Vertex{{c.x, c.y}, c.colour, {c.u, c.v}}; }

}  // namespace

int deviceDrawPrimitiveUP(Device* device, uint32_t primitiveType, uint32_t primitiveCount, const void* vertices,
                          uint32_t stride) {
    if (!device || !vertices || !(device->state.fvf & FVF_XYZ)) return -1;
    uint32_t vertexCount;
    switch (primitiveType) {
        case PT_TRIANGLELIST:
            vertexCount = primitiveCount * 3;
            break;
        case PT_TRIANGLESTRIP:
        case PT_TRIANGLEFAN:
            vertexCount = primitiveCount + 2;
            break;
        default:
            return -1;
    }
    if (primitiveCount == 0) return 0;
    if (primitiveCount > MAX_PRIMITIVE_VERTICES / 3) return -1;

    // Field offsets of the vertex format.
    const uint32_t fvf = device->state.fvf;
    int offset = 12;
    if (fvf & FVF_NORMAL) offset += 12;
    int diffuseOffset = -1;
    if (fvf & FVF_DIFFUSE) diffuseOffset = offset, offset += 4;
    if (fvf & FVF_SPECULAR) offset += 4;
    int texOffset = (fvf & FVF_TEXCOUNT_MASK) ? offset : -1;
    if (texOffset >= 0) offset += 8;
    if (stride < static_cast<uint32_t>(offset)) return -1;
    if (!device->drawPixels) return 0;

    Texture* texture = texOffset >= 0 ? device->state.texture0 : nullptr;
    Matrix wvp;
    matrixMultiply(&wvp, &device->state.world, &device->state.view);
    matrixMultiply(&wvp, &wvp, &device->state.projection);

    static SDL_Vertex out[MAX_PRIMITIVE_VERTICES];
    int n = 0;
    const uint8_t* base = static_cast<const uint8_t*>(vertices);
    auto vertexAt = [&](uint32_t i) {
        return transformVertex(*device, wvp, base + static_cast<size_t>(i) * stride, texture != nullptr, diffuseOffset,
                               texOffset);
    };
    for (uint32_t p = 0; p < primitiveCount; ++p) {
        uint32_t i0, i1, i2;
        if (primitiveType == PT_TRIANGLELIST) {
            i0 = 3 * p, i1 = 3 * p + 1, i2 = 3 * p + 2;
        } else if (primitiveType == PT_TRIANGLESTRIP) {
            // Every second triangle of a strip is turned round so all share one winding.
            i0 = p % 2 ? p + 1 : p, i1 = p % 2 ? p : p + 1, i2 = p + 2;
        } else {
            i0 = 0, i1 = p + 1, i2 = p + 2;
        }
        if (i2 >= vertexCount) break;
        ClipVertex a = vertexAt(i0), b = vertexAt(i1), c = vertexAt(i2);
        if (!a.visible || !b.visible || !c.visible) continue;  // no clipping against the eye plane
        if (culled(device->state.renderStates[RS_CULLMODE], a, b, c)) continue;
        SDL_Vertex* t = &out[n];
        t[0] = toSdl(a), t[1] = toSdl(b), t[2] = toSdl(c);
        if (texture) wrapIntoRange(t, *texture);
        n += 3;
    }
    if (n == 0) return 0;
    SDL_BlendMode mode = blendModeOf(*device);
    SDL_SetRenderDrawBlendMode(device->renderer, mode);
    if (texture) SDL_SetTextureBlendMode(texture->sdl, mode);
    return SDL_RenderGeometry(device->renderer, texture ? texture->sdl : nullptr, out, n, nullptr, 0) == 0 ? 0 : -1;
}

// [SECTION] textures

int createTextureFromFileInMemoryEx(Device* device, const void* data, uint32_t length, uint32_t, uint32_t, uint32_t,
                                    uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t colourKey, void*, void*,
                                    Texture** out) {
    if (!out) return -1;
    *out = nullptr;
    if (!device) {
        setLastError("texture decode", "no device");
        return -1;
    }
    Image image;
    if (const char* err = decodeImage(static_cast<const uint8_t*>(data), length, colourKey, &image)) {
        setLastError("texture decode", err);
        return -1;
    }
    // One more column and row, repeating the last ones (see Texture).
    const int pw = image.width + 1, ph = image.height + 1;
    std::vector<uint8_t> padded(static_cast<size_t>(pw) * ph * 4);
    for (int y = 0; y < ph; ++y) {
        const uint8_t* src = &image.rgba[static_cast<size_t>(std::min(y, image.height - 1)) * image.width * 4];
        uint8_t* dst = &padded[static_cast<size_t>(y) * pw * 4];
        std::memcpy(dst, src, static_cast<size_t>(image.width) * 4);
        std::memcpy(dst + static_cast<size_t>(image.width) * 4, src + static_cast<size_t>(image.width - 1) * 4, 4);
    }
    SDL_Texture* sdl = SDL_CreateTexture(device->renderer, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STATIC, pw, ph);
    if (!sdl || SDL_UpdateTexture(sdl, nullptr, padded.data(), pw * 4) != 0) {
        setLastError("texture upload", SDL_GetError());
        if (sdl) SDL_DestroyTexture(sdl);
        return -1;
    }
    SDL_SetTextureBlendMode(sdl, SDL_BLENDMODE_BLEND);
    SDL_SetTextureScaleMode(sdl, SDL_ScaleModeLinear);
    const float extra = device->softwareRenderer ? 0.0f : 1.0f;
    *out = new Texture{sdl, image.width, image.height, image.width + extra, image.height + extra};
    return 0;
}

int textureWidth(const Texture* texture) { return texture ? texture->width : 0; }
int textureHeight(const Texture* texture) { return texture ? texture->height : 0; }

// [SECTION] sprite batch

void spriteQuad(const SpriteDrawRecord& draw, SDL_Vertex out[4]) {
    float xy[4][2];
    spriteCorners(draw, xy);
    const SDL_Color colour{static_cast<uint8_t>((draw.colour >> 16) & 0xFF),
                           static_cast<uint8_t>((draw.colour >> 8) & 0xFF), static_cast<uint8_t>(draw.colour & 0xFF),
                           static_cast<uint8_t>(draw.colour >> 24)};
    const float u = draw.texture->width / draw.texture->uDivisor, v = draw.texture->height / draw.texture->vDivisor;
    for (int i = 0; i < 4; ++i)
        out[i] = SDL_Vertex{{xy[i][0] + 0.5f, xy[i][1] + 0.5f}, colour, {(i & 1) * u, (i >> 1) * v}};
}

void spriteEnd(SpriteBatch* batch) {
    if (!batch) return;
    spriteSortForEnd(batch);
    if (!batch->device->drawPixels) return;
    SDL_Renderer* renderer = batch->device->renderer;
    const SDL_BlendMode mode = batch->flags & SPRITE_ALPHABLEND ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE;
    static const int QUAD_INDICES[6] = {0, 1, 2, 1, 3, 2};
    for (int i = 0; i < batch->count; ++i) {
        const SpriteDrawRecord& d = batch->draws[batch->order[i]];
        SDL_Vertex quad[4];
        spriteQuad(d, quad);
        SDL_SetTextureBlendMode(d.texture->sdl, mode);
        SDL_RenderGeometry(renderer, d.texture->sdl, quad, 4, QUAD_INDICES, 6);
    }
}

}  // namespace platform
