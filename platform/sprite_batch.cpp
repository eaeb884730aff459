// sprite_batch.cpp — the sprite calls every backend answers alike: making a batch,
// beginning it, recording draws with the transform of their moment, and the order and
// corners spriteEnd draws with.
#include "sprite_batch.h"

namespace platform {

namespace {
SpriteBatch* lastBatch = nullptr;
}

SpriteBatch* spriteLastBatch() { return lastBatch; }

int createSprite(Device* device, SpriteBatch** out) {
    if (!out) return -1;
    *out = nullptr;
    if (!device) return -1;
    SpriteBatch* batch = new SpriteBatch;
    batch->device = device;
    matrixIdentity(&batch->transform);
    batch->flags = 0;
    batch->count = 0;
    *out = batch;
    return 0;
}

void spriteBegin(SpriteBatch* batch, uint32_t flags) {
    if (!batch) return;
    batch->flags = flags;
    batch->count = 0;
    lastBatch = batch;
}

void spriteDraw(SpriteBatch* batch, Texture* texture, const Vec3* centre, const Vec3* position, uint32_t colour) {
    if (!batch || !texture || batch->count >= MAX_SPRITES_PER_BATCH) return;
    SpriteDrawRecord& d = batch->draws[batch->count++];
    d.texture = texture;
    d.centre = centre ? *centre : Vec3{0.0f, 0.0f, 0.0f};
    d.position = position ? *position : Vec3{0.0f, 0.0f, 0.0f};
    d.colour = colour;
    d.transform = batch->transform;
}

void spriteGetTransform(SpriteBatch* batch, Matrix* out) {
    if (batch && out) *out = batch->transform;
}

void spriteSetTransform(SpriteBatch* batch, const Matrix* transform) {
    if (batch && transform) batch->transform = *transform;
}

void spriteSortForEnd(SpriteBatch* batch) {
    const int n = batch->count;
    for (int i = 0; i < n; ++i) batch->order[i] = i;
    if (!(batch->flags & SPRITE_SORT_DEPTH_BACKTOFRONT)) return;
    // Insertion sort: stable, allocation-free, and the batch is nearly always short.
    static float depth[MAX_SPRITES_PER_BATCH];
    for (int i = 0; i < n; ++i) depth[i] = transformPoint(batch->draws[i].position, batch->draws[i].transform).z;
    for (int i = 1; i < n; ++i) {
        const int k = batch->order[i];
        int j = i - 1;
        while (j >= 0 && depth[batch->order[j]] < depth[k]) {
            batch->order[j + 1] = batch->order[j];
            --j;
        }
        batch->order[j + 1] = k;
    }
}

void spriteCorners(const SpriteDrawRecord& draw, float xy[4][2]) {
    const float w = static_cast<float>(textureWidth(draw.texture)), h = static_cast<float>(textureHeight(draw.texture));
    const float corners[4][2] = {{0.0f, 0.0f}, {w, 0.0f}, {0.0f, h}, {w, h}};
    for (int i = 0; i < 4; ++i) {
        const Vec3 p{draw.position.x + corners[i][0] - draw.centre.x, draw.position.y + corners[i][1] - draw.centre.y,
                     draw.position.z - draw.centre.z};
        const Vec3 s = transformPoint(p, draw.transform);
        xy[i][0] = s.x;
        xy[i][1] = s.y;
    }
}

}  // namespace platform
