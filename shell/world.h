// world.h — the game world's steps of start-up and of each frame: the player and the
// targets set up, the frame clock taken, the entities updated and drawn, each in the
// order the game runs them. startUp and runFrame call these; the gameplay tests call
// the same ones, so they run exactly what the game runs.
//
//   static PlayerRecord player;
//   setUpPlayerAndTargets(player);        // start-up steps 10-11
//   setFrameClock(now, prevMs);           // frame step 1, after the clock read
//   updateEntities();                     // frame step 11
//   drawEntities(sprite);                 // frame steps 12-14
//
// Times are milliseconds of the platform clock.
#pragma once

#include <cstdint>

#include "gameplay/entity.h"
#include "platform/platform.h"

namespace skarvo {

// The player constructed with no texture and reset, GameState's reference set to it,
// then the 64 targets spawned in slot order with their texture by slot modulo 4.
void setUpPlayerAndTargets(PlayerRecord& player);
// clockMs and frameMs of a frame whose clock read gave `nowMs`, the previous `prevMs`
// (an unsigned difference, right across the clock's wrap).
void setFrameClock(uint32_t nowMs, uint32_t prevMs);
// The player, then every shot, then every target, in slot order.
void updateEntities();
// One alpha-blended batch sorted back to front: every target, the player, every shot.
void drawEntities(platform::SpriteBatch* batch);

}  // namespace skarvo
