// targets.h — the boots, vultures, snakes and tumbleweeds that cross the screen from
// right to left, and the game's one hit test.
//
// Slot i of `targets` always holds the kind chosen by i mod 4 and carries fixed
// numbers: slotKey (seeds its spawn position), targetRank (the level from which it
// takes part) and its full health. Every slot moves every frame; it takes part (is
// drawn and can be hit) only while targetRank(i) <= level().
//
//   targetSpawn(targets[i], game.textures[assets::BOOT]);           // start-up, i mod 4 == 0
//   if (targetHitTest(targets[j], x, y, z, 25.0f)) { /* the shot is spent */ }
//
// Units: pixels; a velX of -1 is 0.25 pixels per millisecond to the left.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "gameplay/entity.h"

namespace skarvo {

constexpr int32_t slotKey(int slot) { return 4866080 + 40 * slot; }
constexpr int32_t targetRank(int slot) { return (slotKey(slot) >> 3) % 64; }
constexpr int32_t fullHealth(int slot) { return (slotKey(slot) >> 3) % 3 + 1; }
// progress / 100: targets of rank up to this take part.
int32_t level();

// `target` must be a slot of `targets`.
void targetSpawn(EntityRecord& target, platform::Texture* texture);
void targetUpdate(EntityRecord& target);
// Tests the point against the target's hit circle (radius r, centred r pixels below
// and 15 right of its position); on a hit takes one health, flashes it red and adds 3
// to progress.
bool targetHitTest(EntityRecord& target, float posX, float posY, float posZ, float radius);
void targetDraw(EntityRecord& target, platform::SpriteBatch* sprite);

}  // namespace skarvo
