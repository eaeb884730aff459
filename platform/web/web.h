// web.h — private to platform/web/: what the backend's files share.
//
// The page (index.html) loads the program and tells it, through the Module object,
// whether it runs in the test mode (index.html?test): then no frame loop runs, and the
// test sets the clock and steps frames itself (main.cpp's exports).
#pragma once

#include <cstdint>

namespace platform {

bool webTestMode();
// The clock the test mode reads (milliseconds, as clockMs returns them).
void webSetTestClock(uint32_t ms);
// Keys waiting for pollEvent (the test checks that its key events have arrived).
int webQueuedEvents();
// Called by exitProcess before the page is told the game has ended, in the reverse
// order of registration (the frame loop, the pump, the sound). At most a few.
void webAtExit(void (*hook)());

}  // namespace platform
