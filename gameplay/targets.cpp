#include "gameplay/targets.h"

#include "math/trig.h"
#include "gameplay/game_state.h"
#include "gameplay/exact_float.h"

namespace skarvo {
namespace {

int slotOf(const EntityRecord& target) { return static_cast<int>(&target - targets); }

}  // namespace

int32_t level() { return game.progress / 100; }

void targetSpawn(EntityRecord& target, platform::Texture* texture) {
    int slot = slotOf(target);
    target.velX = -1.0f;
    target.velY = 0.0f;
    target.velZ = 0.0f;
    target.texture = texture;
    int32_t a = wrapMul(wrapAdd(game.clockMs, slotKey(slot)), 10000);
    int32_t b = wrapMul(game.clockMs, 1000);
    bool vulture = texture == game.textures[assets::VULTURE];
    if (texture != nullptr &&
        (texture == game.textures[assets::BOOT] || vulture || texture == game.textures[assets::SNAKE] || texture == game.textures[assets::TUMBLEWEED])) {
        // The angles are the integers themselves, and the cosine and sine enter the
        // products unrounded: only the products and sums are single precision.
        target.posX = 960.0f + productRoundedWide(320.0f, math::cosInt(a));
        float wave = 320.0f + productRoundedWide(50.0f, math::sinInt(b));
        target.posY = vulture ? wave - 160.0f : wave - 30.0f;
        target.posZ = 0.0f;
    }
    target.hitStamp = wrapSub(game.clockMs, 1000);
    target.health = fullHealth(slot);
}

void targetUpdate(EntityRecord& target) {
    advanceEntity(target);
    if (target.posX < 2.0f) targetSpawn(target, target.texture);
}

bool targetHitTest(EntityRecord& target, float posX, float posY, float /*posZ*/, float radius) {
    if (target.health < 1) return false;
    if (level() < targetRank(slotOf(target))) return false;
    float dx = posX - target.posX - 15.0f;
    float dy = (posY - target.posY) - radius;
    if (!(dx * dx + dy * dy < radius * radius)) return false;
    target.health = wrapSub(target.health, 1);
    target.hitStamp = wrapAdd(game.clockMs, 255);
    game.progress = wrapAdd(game.progress, 3);
    return true;
}

void targetDraw(EntityRecord& target, platform::SpriteBatch* sprite) {
    if (level() < targetRank(slotOf(target))) return;
    int32_t tint = hitTint(target);
    if (target.health <= 0) return;  // destroyed targets vanish at once, flash or not
    if (target.texture == nullptr) return;
    math::Vec3 centre{0.5f, 0.5f, 0.0f};
    math::Vec3 position{target.posX, target.posY, target.posZ};
    platform::spriteDraw(sprite, target.texture, centre, position, tintColour(tint));
}

}  // namespace skarvo
