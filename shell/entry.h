// entry.h — the game's entry routine, split so tests and tools can drive it.
//
//   skarvo::startUp();           // music, window, device, textures, sprite batch, player, targets
//   for (;;) skarvo::runFrame(); // one frame each: clock, one message, draw, update, present
//
// Neither returns a result; the process ends only from the window procedure.
// A start-up step that fails (no window, no device, an image that does not decode)
// prints one line on stderr and exits with code 1.
#pragma once

#include "../platform/device.h"

namespace skarvo {

void startUp();
void runFrame();

// The presentation parameters handed to device creation.
extern const platform::PresentParameters presentParams;
// The sprite batch made at start-up (null before).
platform::SpriteBatch* spriteBatch();

}  // namespace skarvo
