// shots.h — the objects the player figure throws: a ring of POOL_SIZE slots in `shots`.
//
// A throw takes slot (shotCounter + 1) AND 63, starts at the figure's hand with a
// velocity from the arrow keys held, and picks its picture from the clock. A shot
// flies straight, spinning, without bounds, and is spent on the first target hit.
//
//   throwObject(*game.playerRecord);        // Space key-down
//   for (auto& s : shots) shotUpdate(s);    // each frame, after the player
//
// Units: pixels, milliseconds; velocities in quarter pixels per millisecond.
#pragma once

#include "platform/platform.h"
#include "gameplay/entity.h"

namespace skarvo {

// Does nothing while the figure is paused after a game over or has no lives.
void throwObject(PlayerRecord& player);
void shotUpdate(EntityRecord& shot);
void shotDraw(EntityRecord& shot, platform::SpriteBatch* sprite);

}  // namespace skarvo
