// render.cpp — the frame, textures and sprite batch over an SDL renderer, shared by the
// SDL window and the headless pixel buffer.
//
// Contents:
//   [SECTION] frame           clearing, the backdrop quad
//   [SECTION] textures        decoding an image into a texture, its size
//   [SECTION] sprite batch    the batch's end, drawn as textured quads
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/image.h"
#include "platform/last_error.h"
#include "platform/sdl/render.h"
#include "platform/sprite_batch.h"

namespace platform {

namespace {

SDL_Renderer* renderer = nullptr;
bool softwareRenderer = false;  // see Texture
bool drawPixels = true;

}  // namespace

void renderUse(SDL_Renderer* r) {
    renderer = r;
    SDL_RendererInfo info{};
    softwareRenderer = SDL_GetRendererInfo(r, &info) == 0 && (info.flags & SDL_RENDERER_SOFTWARE);
}

SDL_Renderer* renderRenderer() { return renderer; }

void renderSetDrawing(bool on) { drawPixels = on; }

// [SECTION] frame

void beginFrame(uint32_t argb, float) {
    // No depth buffer: the game's draws are all nearer than the cleared depth and land in
    // call order, the sprites sorted by the batch.
    if (!renderer || !drawPixels) return;
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_NONE);
    SDL_SetRenderDrawColor(renderer, (argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, argb >> 24);
    SDL_RenderClear(renderer);
}

namespace {

// A quad vertex through the world transform into back-buffer pixels (ours: pixel
// centres at +0.5 in SDL's), white and opaque: the backdrop is lit fully.
SDL_Vertex backdropVertex(const QuadVertex& q, const math::Matrix& m) {
    float out[4];
    for (int c = 0; c < 4; ++c) out[c] = q.x * m.m[0][c] + q.y * m.m[1][c] + q.z * m.m[2][c] + m.m[3][c];
    const float w = out[3] > 0.0f ? out[3] : 1.0f;
    return SDL_Vertex{{(out[0] / w + 1.0f) * 0.5f * BACK_BUFFER_WIDTH, (1.0f - out[1] / w) * 0.5f * BACK_BUFFER_HEIGHT},
                      SDL_Color{255, 255, 255, 255},
                      {q.u, q.v}};
}

// Moves a triangle's texture coordinates by whole periods into 0..1 (wrap addressing,
// which SDL lacks); a triangle spanning more than one period is clamped there.
void wrapIntoRange(SDL_Vertex* t, const Texture& texture) {
    const float minU = std::min({t[0].tex_coord.x, t[1].tex_coord.x, t[2].tex_coord.x});
    const float minV = std::min({t[0].tex_coord.y, t[1].tex_coord.y, t[2].tex_coord.y});
    const float du = std::floor(minU), dv = std::floor(minV);  // v from -1 to 0 becomes 0 to 1
    const float su = texture.width / texture.uDivisor, sv = texture.height / texture.vDivisor;
    for (int i = 0; i < 3; ++i) {
        t[i].tex_coord.x = std::fmin(std::fmax(t[i].tex_coord.x - du, 0.0f), 1.0f) * su;
        t[i].tex_coord.y = std::fmin(std::fmax(t[i].tex_coord.y - dv, 0.0f), 1.0f) * sv;
    }
}

}  // namespace

void drawBackdrop(Texture* texture, const math::Matrix& world, const QuadVertex quad[4]) {
    if (!renderer || !drawPixels || !texture) return;
    // The strip's two triangles, the second turned round to share the first's winding.
    static const int STRIP[6] = {0, 1, 2, 2, 1, 3};
    SDL_Vertex out[6];
    for (int i = 0; i < 6; ++i) out[i] = backdropVertex(quad[STRIP[i]], world);
    wrapIntoRange(out, *texture);
    wrapIntoRange(out + 3, *texture);
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
    SDL_SetTextureBlendMode(texture->sdl, SDL_BLENDMODE_BLEND);
    SDL_RenderGeometry(renderer, texture->sdl, out, 6, nullptr, 0);
}

// [SECTION] textures

Texture* createTexture(const uint8_t* png, uint32_t length, uint32_t colourKey) {
    Image image;
    if (!decodeTextureImage(renderer != nullptr, png, length, colourKey, &image)) return nullptr;
    // One more column and row, repeating the last ones (see Texture).
    const int pw = image.width + 1, ph = image.height + 1;
    std::vector<uint8_t> padded(static_cast<size_t>(pw) * ph * 4);
    for (int y = 0; y < ph; ++y) {
        const uint8_t* src = &image.rgba[static_cast<size_t>(std::min(y, image.height - 1)) * image.width * 4];
        uint8_t* dst = &padded[static_cast<size_t>(y) * pw * 4];
        std::memcpy(dst, src, static_cast<size_t>(image.width) * 4);
        std::memcpy(dst + static_cast<size_t>(image.width) * 4, src + static_cast<size_t>(image.width - 1) * 4, 4);
    }
    SDL_Texture* sdl = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STATIC, pw, ph);
    if (!sdl || SDL_UpdateTexture(sdl, nullptr, padded.data(), pw * 4) != 0) {
        setLastError("texture upload", SDL_GetError());
        if (sdl) SDL_DestroyTexture(sdl);
        return nullptr;
    }
    SDL_SetTextureBlendMode(sdl, SDL_BLENDMODE_BLEND);
    SDL_SetTextureScaleMode(sdl, SDL_ScaleModeLinear);
    const float extra = softwareRenderer ? 0.0f : 1.0f;
    return new Texture{sdl, image.width, image.height, image.width + extra, image.height + extra};
}

int textureWidth(const Texture* texture) { return texture ? texture->width : 0; }
int textureHeight(const Texture* texture) { return texture ? texture->height : 0; }

// [SECTION] sprite batch

void spriteEnd(SpriteBatch* batch) {
    spriteSortForEnd(batch);
    if (!renderer || !drawPixels) return;
    static const int QUAD_INDICES[6] = {0, 1, 2, 1, 3, 2};
    for (int i = 0; i < batch->count; ++i) {
        const SpriteDrawRecord& d = batch->draws[batch->order[i]];
        float xy[4][2];
        spriteCorners(d, d.texture->width, d.texture->height, xy);
        const SDL_Color colour{static_cast<uint8_t>((d.colour >> 16) & 0xFF), static_cast<uint8_t>((d.colour >> 8) & 0xFF),
                               static_cast<uint8_t>(d.colour & 0xFF), static_cast<uint8_t>(d.colour >> 24)};
        const float u = d.texture->width / d.texture->uDivisor, v = d.texture->height / d.texture->vDivisor;
        SDL_Vertex quad[4];
        // SDL puts pixel centres at +0.5.
        for (int k = 0; k < 4; ++k)
            quad[k] = SDL_Vertex{{xy[k][0] + 0.5f, xy[k][1] + 0.5f}, colour, {(k & 1) * u, (k >> 1) * v}};
        SDL_SetTextureBlendMode(d.texture->sdl, SDL_BLENDMODE_BLEND);
        SDL_RenderGeometry(renderer, d.texture->sdl, quad, 4, QUAD_INDICES, 6);
    }
}

}  // namespace platform
