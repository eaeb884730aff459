#include "gameplay/entity.h"

#include "gameplay/game_state.h"
#include "gameplay/exact_float.h"

namespace skarvo {

EntityRecord shots[POOL_SIZE];
EntityRecord targets[POOL_SIZE];

EntityRecord::EntityRecord(platform::Texture* texture)
    : velX(-1.0f), factor(1.0f), texture(texture), hitStamp(wrapSub(game.clockMs, 1000)) {}

void advanceEntity(EntityRecord& record) {
    record.posX = record.posX + productRounded(game.frameMs, record.velX) * 0.25f;
    record.posY = record.posY + productRounded(game.frameMs, record.velY) * 0.25f;
}

int32_t hitTint(const EntityRecord& record) {
    int32_t tint = wrapAdd(wrapSub(record.hitStamp, game.clockMs), 255);
    return tint < 0 ? 0 : tint;
}

uint32_t tintColour(int32_t tint) {
    uint32_t fade = ~static_cast<uint32_t>(tint) & 0xFFu;
    return 0xFFFF0000u | (fade << 8) | fade;
}

}  // namespace skarvo
