#include "gameplay/shots.h"

#include "math/matrix.h"
#include "gameplay/game_state.h"
#include "gameplay/exact_float.h"
#include "gameplay/targets.h"

namespace skarvo {
namespace {

// The picture changes every 64 ms of the clock; the shift and remainder are signed.
platform::Texture* thrownTexture(int32_t clockMs) {
    switch ((clockMs >> 6) % 5) {
        case 0:
            return game.textures[assets::BANANA];
        case 1:
            return game.textures[assets::RING];
        case 2:
            return game.textures[assets::PLATE];
        case 3:
            return game.textures[assets::JOYSTICK];
        default:
            return game.textures[assets::BOTTLE];
    }
}

}  // namespace

void throwObject(PlayerRecord& player) {
    if (player.restartTimer > 0) return;
    if (player.health <= 0) return;
    platform::Texture* texture = thrownTexture(game.clockMs);
    game.shotCounter = wrapAdd(game.shotCounter, 1);
    EntityRecord& shot = shots[game.shotCounter & (POOL_SIZE - 1)];
    shot.posX = player.posX + 15.0f;
    shot.posY = player.posY - 30.0f;
    shot.posZ = player.posZ;
    shot.velX = static_cast<float>(wrapAdd(wrapMul(2, game.dirX), 1));
    shot.velY = productRounded(game.dirY, -2.0f);
    shot.velZ = 0.0f;
    shot.texture = texture;
    shot.hitStamp = wrapSub(game.clockMs, 1000);
    shot.health = 1;
}

void shotUpdate(EntityRecord& shot) {
    advanceEntity(shot);
    if (shot.health <= 0) return;
    for (EntityRecord& target : targets) {
        if (targetHitTest(target, shot.posX, shot.posY, shot.posZ, 25.0f)) {
            shot.health = 0;
            return;
        }
    }
}

void shotDraw(EntityRecord& shot, platform::SpriteBatch* sprite) {
    const math::Matrix kept = platform::spriteGetTransform(sprite);
    int32_t tint = hitTint(shot);
    if (shot.health <= 0 && tint == 0) return;
    // About 101 times the clock, rounded: the spin moves in steps that grow with it.
    // The 1/300 enters as the double it is written as; only the product is rounded.
    float angle =
        productRoundedWide(sumRounded(productRounded(shot.hitStamp, 100.0f), game.clockMs), 0.0033333333333333335);
    math::Quaternion spin;
    math::quaternionRotationYawPitchRoll(&spin, 0.0f, 0.0f, angle);
    math::Vec3 position{shot.posX, shot.posY, shot.posZ};
    math::Matrix transform;
    math::matrixAffineTransformation(&transform, 1.0f, &position, &spin, nullptr);
    platform::spriteSetTransform(sprite, transform);
    if (shot.texture != nullptr) {
        math::Vec3 centre{15.0f, 15.0f, 0.0f};
        platform::spriteDraw(sprite, shot.texture, centre, position, tintColour(tint));
    }
    platform::spriteSetTransform(sprite, kept);
}

}  // namespace skarvo
