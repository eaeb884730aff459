// sprite_batch.cpp — the sprite calls every backend answers alike: making the batch,
// beginning it, recording draws with the transform of their moment, and the order and
// corners spriteEnd draws with.
#include "platform/sprite_batch.h"

namespace platform {

namespace {
SpriteBatch theBatch;
bool made = false;
}  // namespace

SpriteBatch* spriteBatchMade() { return made ? &theBatch : nullptr; }

SpriteBatch* createSpriteBatch() {
    math::matrixIdentity(&theBatch.transform);
    theBatch.count = 0;
    made = true;
    return &theBatch;
}

void spriteBegin(SpriteBatch* batch) { batch->count = 0; }

void spriteDraw(SpriteBatch* batch, Texture* texture, const math::Vec3& centre, const math::Vec3& position,
                uint32_t argb) {
    if (!texture || batch->count >= MAX_SPRITES_PER_BATCH) return;
    batch->draws[batch->count++] = SpriteDrawRecord{texture, centre, position, argb, batch->transform};
}

math::Matrix spriteGetTransform(const SpriteBatch* batch) { return batch->transform; }

void spriteSetTransform(SpriteBatch* batch, const math::Matrix& transform) { batch->transform = transform; }

void spriteSortForEnd(SpriteBatch* batch) {
    const int n = batch->count;
    for (int i = 0; i < n; ++i) batch->order[i] = i;
    // Insertion sort: stable, allocation-free, and the batch is nearly always short.
    static float depth[MAX_SPRITES_PER_BATCH];
    for (int i = 0; i < n; ++i)
        depth[i] = math::transformPoint(batch->draws[i].position, batch->draws[i].transform).z;
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

void spriteCorners(const SpriteDrawRecord& draw, int width, int height, float xy[4][2]) {
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    const float corners[4][2] = {{0.0f, 0.0f}, {w, 0.0f}, {0.0f, h}, {w, h}};
    for (int i = 0; i < 4; ++i) {
        const math::Vec3 p{draw.position.x + corners[i][0] - draw.centre.x,
                           draw.position.y + corners[i][1] - draw.centre.y, draw.position.z - draw.centre.z};
        const math::Vec3 s = math::transformPoint(p, draw.transform);
        xy[i][0] = s.x;
        xy[i][1] = s.y;
    }
}

}  // namespace platform
