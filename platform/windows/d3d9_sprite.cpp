// d3d9_sprite.cpp — the Windows backend's spriteEnd: the batch drawn on Direct3D 9 (the
// recording, order and corners are sprite_batch.cpp's, shared with every backend).
//
// Each sprite is one textured quad of pre-transformed vertices (back-buffer pixels,
// Direct3D's pixel centres at whole numbers, as spriteCorners gives them), tinted by
// the vertex colour: stage 0 multiplies the texture's colour and alpha by it. Blending
// is source alpha over the rest; there is no depth test (the batch is already drawn
// back to front). The device states changed here are read first and put back
// afterwards, so the game's next frame finds its own.
#include "platform/sprite_batch.h"
#include "platform/windows/backend.h"

// After backend.h: needs <windows.h> first.
#include <d3d9.h>

namespace platform {

namespace {

struct SpriteVertex {
    float x, y, z, rhw;
    D3DCOLOR colour;
    float u, v;
};
constexpr DWORD SPRITE_FVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct RenderStateValue {
    D3DRENDERSTATETYPE state;
    DWORD value;
};
struct StageStateValue {
    D3DTEXTURESTAGESTATETYPE state;
    DWORD value;
};
struct SamplerStateValue {
    D3DSAMPLERSTATETYPE state;
    DWORD value;
};

// What the sprites need.
constexpr RenderStateValue RENDER_STATES[] = {
    {D3DRS_ZENABLE, D3DZB_FALSE},        {D3DRS_CULLMODE, D3DCULL_NONE},          {D3DRS_ALPHATESTENABLE, FALSE},
    {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA}, {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA}, {D3DRS_ALPHABLENDENABLE, TRUE},
};
constexpr StageStateValue STAGE_STATES[] = {
    {D3DTSS_COLOROP, D3DTOP_MODULATE}, {D3DTSS_COLORARG1, D3DTA_TEXTURE}, {D3DTSS_COLORARG2, D3DTA_DIFFUSE},
    {D3DTSS_ALPHAOP, D3DTOP_MODULATE}, {D3DTSS_ALPHAARG1, D3DTA_TEXTURE}, {D3DTSS_ALPHAARG2, D3DTA_DIFFUSE},
    {D3DTSS_TEXCOORDINDEX, 0},
};
// Clamped at the edges (a rotated sprite must not pick up its opposite edge), smooth.
constexpr SamplerStateValue SAMPLER_STATES[] = {
    {D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP}, {D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP}, {D3DSAMP_MINFILTER, D3DTEXF_LINEAR},
    {D3DSAMP_MAGFILTER, D3DTEXF_LINEAR},   {D3DSAMP_MIPFILTER, D3DTEXF_NONE},
};
constexpr int RENDER_COUNT = sizeof RENDER_STATES / sizeof RENDER_STATES[0];
constexpr int STAGE_COUNT = sizeof STAGE_STATES / sizeof STAGE_STATES[0];
constexpr int SAMPLER_COUNT = sizeof SAMPLER_STATES / sizeof SAMPLER_STATES[0];

// The game's values of everything set here.
struct SavedStates {
    DWORD render[RENDER_COUNT];
    DWORD stage[STAGE_COUNT];
    DWORD sampler[SAMPLER_COUNT];
    DWORD fvf;
    IDirect3DBaseTexture9* texture;  // holds a reference until put back
};

void save(IDirect3DDevice9* d, SavedStates* s) {
    for (int i = 0; i < RENDER_COUNT; ++i) d->GetRenderState(RENDER_STATES[i].state, &s->render[i]);
    for (int i = 0; i < STAGE_COUNT; ++i) d->GetTextureStageState(0, STAGE_STATES[i].state, &s->stage[i]);
    for (int i = 0; i < SAMPLER_COUNT; ++i) d->GetSamplerState(0, SAMPLER_STATES[i].state, &s->sampler[i]);
    d->GetFVF(&s->fvf);
    s->texture = nullptr;
    d->GetTexture(0, &s->texture);
}

void restore(IDirect3DDevice9* d, SavedStates* s) {
    for (int i = 0; i < RENDER_COUNT; ++i) d->SetRenderState(RENDER_STATES[i].state, s->render[i]);
    for (int i = 0; i < STAGE_COUNT; ++i) d->SetTextureStageState(0, STAGE_STATES[i].state, s->stage[i]);
    for (int i = 0; i < SAMPLER_COUNT; ++i) d->SetSamplerState(0, SAMPLER_STATES[i].state, s->sampler[i]);
    d->SetFVF(s->fvf);
    d->SetTexture(0, s->texture);
    if (s->texture) s->texture->Release();
}

}  // namespace

void spriteEnd(SpriteBatch* batch) {
    spriteSortForEnd(batch);
    IDirect3DDevice9* d = d3d9Device();
    if (!d || batch->count == 0) return;
    SavedStates saved;
    save(d, &saved);
    for (const RenderStateValue& r : RENDER_STATES) d->SetRenderState(r.state, r.value);
    for (const StageStateValue& t : STAGE_STATES) d->SetTextureStageState(0, t.state, t.value);
    for (const SamplerStateValue& s : SAMPLER_STATES) d->SetSamplerState(0, s.state, s.value);
    d->SetFVF(SPRITE_FVF);

    IDirect3DTexture9* bound = nullptr;
    for (int i = 0; i < batch->count; ++i) {
        const SpriteDrawRecord& draw = batch->draws[batch->order[i]];
        float xy[4][2];
        spriteCorners(draw, draw.texture->width, draw.texture->height, xy);
        SpriteVertex quad[4];
        for (int k = 0; k < 4; ++k)
            quad[k] = SpriteVertex{
                xy[k][0], xy[k][1], 0.0f, 1.0f, draw.colour, static_cast<float>(k & 1), static_cast<float>(k >> 1)};
        if (draw.texture->d3d != bound) {
            bound = draw.texture->d3d;
            d->SetTexture(0, bound);
        }
        d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(SpriteVertex));
    }
    restore(d, &saved);
}

}  // namespace platform
