// sprite_batch.h — private to platform/: the sprite batch record and what every backend
// shares of it (recording draws, the drawing order, the quads' corners). A backend
// writes only spriteEnd, drawing the quads in `order` its own way.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace platform {

constexpr int MAX_SPRITES_PER_BATCH = 4096;  // further draws of one batch are dropped

struct SpriteDrawRecord {
    Texture* texture;
    math::Vec3 centre;
    math::Vec3 position;
    uint32_t colour;          // ARGB
    math::Matrix transform;  // the batch transform in force at the draw
};

struct SpriteBatch {
    math::Matrix transform;
    int count;
    SpriteDrawRecord draws[MAX_SPRITES_PER_BATCH];
    int order[MAX_SPRITES_PER_BATCH];  // filled by spriteSortForEnd
};

// Fills batch->order with the drawing order of the batch's draws: back to front by
// depth after each draw's transform, stable for equal depth.
void spriteSortForEnd(SpriteBatch* batch);

// The corners of one sprite's quad after the draw's transform, for a texture of
// `width` × `height` texels: top-left, top-right, bottom-left, bottom-right, in
// back-buffer pixels with pixel i's centre at i (add 0.5 for a renderer whose pixel
// centres sit at i + 0.5). Corner k takes texture coordinate (k & 1, k >> 1).
void spriteCorners(const SpriteDrawRecord& draw, int width, int height, float xy[4][2]);

// The one batch (for the headless draw log); null before createSpriteBatch.
SpriteBatch* spriteBatchMade();

}  // namespace platform
