// entry.h — the game's entry routine, split so tests and tools can drive it.
//
//   skarvo::startUp();           // music, window, device, textures, sprite batch, player, targets, clock
//   for (;;) skarvo::runFrame(); // one frame each: clock, one event, backdrop, updates, sprites, present
//
// Neither returns a result; the process ends only from the window procedure. A
// start-up step that fails (no window, no device, an image that does not decode)
// prints one line on stderr and exits with code 1.
#pragma once

#include "platform/platform.h"

namespace skarvo {

void startUp();
void runFrame();

// The sprite batch made at start-up (null before).
platform::SpriteBatch* spriteBatch();

}  // namespace skarvo
