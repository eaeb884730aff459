// entity.h — the record of every moving object, the two pools, and the motion and
// hit-tint rules they share.
//
// Targets and shots live in the fixed pools `targets` and `shots` (POOL_SIZE slots,
// all zero before start-up); the player figure is a PlayerRecord. A record with
// `health` of 1 or more is active.
//
//   advanceEntity(shots[3]);                       // one frame of motion
//   uint32_t argb = tintColour(hitTint(targets[12]));
//
// Units: positions in back-buffer pixels (y downwards), velocities in quarter pixels
// per millisecond, `hitStamp` a clockMs value in milliseconds.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace skarvo {

constexpr int POOL_SIZE = 64;

struct EntityRecord {
    float posX = 0.0f;
    float posY = 0.0f;
    float posZ = 0.0f;  // depth handed to the sprite draw
    float velX = 0.0f;  // quarter pixels per millisecond
    float velY = 0.0f;
    float velZ = 0.0f;                     // carried, never applied
    float factor = 0.0f;                   // carried, never read
    platform::Texture* texture = nullptr;  // not owned; null draws nothing
    int32_t health = 0;                    // active while 1 or more
    int32_t hitStamp = 0;                  // clockMs - 1000 when started, clockMs + 255 when hit

    EntityRecord() = default;  // all zero, as a pool slot before start-up
    // Construction proper: at rest at the origin, moving left, stamped "started now".
    explicit EntityRecord(platform::Texture* texture);
};

struct PlayerRecord : EntityRecord {
    int32_t restartTimer = 0;                 // ms of pause left after a game over
    platform::Texture* altTexture = nullptr;  // second idle frame

    PlayerRecord() = default;
    explicit PlayerRecord(platform::Texture* texture) : EntityRecord(texture) {}
};

extern EntityRecord shots[POOL_SIZE];
extern EntityRecord targets[POOL_SIZE];

// posX += frameMs × velX × 0.25, posY likewise; no bounds.
void advanceEntity(EntityRecord& record);
// hitStamp - clockMs + 255 (32-bit wrap), negative becoming 0.
int32_t hitTint(const EntityRecord& record);
// Opaque, full red, green and blue 255 - (tint mod 256): 0 white, 255 pure red.
uint32_t tintColour(int32_t tint);

}  // namespace skarvo
