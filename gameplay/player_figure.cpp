#include "gameplay/player_figure.h"

#include <cmath>

#include "math/matrix.h"
#include "gameplay/game_state.h"
#include "gameplay/exact_float.h"
#include "gameplay/targets.h"

namespace skarvo {
namespace {

constexpr int32_t LIVES = 10;
constexpr int32_t PAUSE_MS = 1000;
constexpr float CONTACT_RADIUS = 40.0f;

// dir × frameMs × 0.001 × 500: pixels moved this frame along one axis.
float stepPixels(int32_t dir) { return productRounded(wrapMul(dir, game.frameMs), 0.001f) * 500.0f; }

float hold(float value, float low, float high) {
    if (value > high) return high;
    if (value <= low) return low;
    return value;
}

}  // namespace

void playerReset(PlayerRecord& player) {
    player.restartTimer = 0;
    player.texture = game.textures[assets::WALK_A];
    player.altTexture = game.textures[assets::WALK_B];
    player.hitStamp = wrapSub(game.clockMs, 1000);
    player.health = LIVES;
}

void playerUpdate(PlayerRecord& player) {
    if (player.restartTimer > 0) player.restartTimer = wrapSub(player.restartTimer, game.frameMs);
    if (player.health <= 0) {
        game.progress = 100;
        playerReset(player);
        player.restartTimer = PAUSE_MS;
    }
    if (player.restartTimer > 0) return;
    player.posX = hold(player.posX + stepPixels(game.dirX), 0.0f, 400.0f);
    player.posY = hold(player.posY - stepPixels(game.dirY), 280.0f, 380.0f);
    // Every touching target costs a life, not just the first.
    for (EntityRecord& target : targets) {
        if (targetHitTest(target, player.posX, player.posY, player.posZ, CONTACT_RADIUS)) {
            player.health = wrapSub(player.health, 1);
            player.hitStamp = wrapAdd(game.clockMs, 255);
            game.progress = wrapAdd(game.progress, 3);
        }
    }
}

void playerDraw(PlayerRecord& player, platform::SpriteBatch* sprite) {
    int32_t tint = hitTint(player);
    if (player.restartTimer > 0) return;
    if (player.health <= 0 && tint == 0) return;
    // Walking right or down speeds the idle flip up, left or up holds it still.
    float phaseValue = sumRounded(2.0f * (player.posY + player.posX), game.clockMs);
    long long phase = std::llrint(phaseValue);
    bool bit9 = (phase & 512) != 0;
    platform::Texture* frame;
    if (game.fireHeld != 0)
        frame = bit9 ? game.textures[assets::THROW_A] : game.textures[assets::THROW_B];
    else
        frame = bit9 ? player.texture : player.altTexture;

    const math::Matrix kept = platform::spriteGetTransform(sprite);
    math::Matrix half;
    math::matrixAffineTransformation(&half, 0.5f, nullptr, nullptr, nullptr);
    platform::spriteSetTransform(sprite, half);
    if (frame != nullptr) {
        // The 128-texel figure drawn at half size with texel (0.5, 120.5) on the anchor.
        math::Vec3 centre{0.5f, 120.5f, 0.0f};
        math::Vec3 position{2.0f * player.posX, 2.0f * player.posY, 2.0f * player.posZ};
        platform::spriteDraw(sprite, frame, centre, position, tintColour(tint));
    }
    platform::spriteSetTransform(sprite, kept);
}

}  // namespace skarvo
