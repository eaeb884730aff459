// sprite_batch.h — private to platform/: the sprite batch record and the parts of the
// batch every backend shares (recording draws, the drawing order, the quads' corners).
// A backend writes only spriteEnd, drawing the quads in `order` its own way.
#pragma once

#include <cstdint>

#include "device.h"
#include "headless.h"

namespace platform {

constexpr int MAX_SPRITES_PER_BATCH = 4096;  // further draws of one batch are dropped

struct SpriteBatch {
    Device* device;
    Matrix transform;
    uint32_t flags;
    int count;
    SpriteDrawRecord draws[MAX_SPRITES_PER_BATCH];
    int order[MAX_SPRITES_PER_BATCH];  // filled by spriteSortForEnd
};

// Fills batch->order with the drawing order of the batch's draws: back to front by
// depth after each draw's transform when the batch asks for it (stable for equal
// depth), else in call order.
void spriteSortForEnd(SpriteBatch* batch);

// The corners of one sprite's quad after the draw's transform: top-left, top-right,
// bottom-left, bottom-right, in back-buffer pixels with pixel i's centre at i (add 0.5
// for a renderer whose pixel centres sit at i + 0.5). Corner k takes texture
// coordinate (k & 1, k >> 1).
void spriteCorners(const SpriteDrawRecord& draw, float xy[4][2]);

// The batch begun last (for the headless draw log); null before the first begin.
SpriteBatch* spriteLastBatch();

}  // namespace platform
