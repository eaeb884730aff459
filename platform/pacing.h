// pacing.h — private to platform/: holding the frame rate to the display's refresh
// when presentation does not wait for it.
//
// Pure schedule over a performance counter (ticks of `frequency` per second); the
// backend reads the counter and sleeps. Presentation that waits for the display
// gives frames no shorter than `fastTicks`; many shorter ones in a row mean it does
// not wait, and from then on the schedule paces the frames itself, for good.
//
//   Pacer p;
//   pacerInit(&p, frequency, 60, frequency / 500, !vsync);
//   ... present ...
//   uint64_t deadline = pacerAfterPresent(&p, counter());
//   for (uint64_t now = counter(); now < deadline; now = counter()) sleepMs(pacerSleepMs(p, now, deadline));
#pragma once

#include <cstdint>

namespace platform {

// Frames in a row shorter than fastTicks that switch self-pacing on.
constexpr int PACER_FAST_FRAMES = 30;

struct Pacer {
    uint64_t frequency;    // counter ticks per second
    uint64_t period;       // ticks per frame at the paced rate
    uint64_t fastTicks;    // a frame shorter than this did not wait for the display
    uint64_t next;         // when the next frame may go on; 0: no schedule yet
    uint64_t lastPresent;  // 0: no present yet
    int fastFrames;
    bool selfPaced;
};

// `hz` frames a second (60 when 0 or less).
void pacerInit(Pacer* pacer, uint64_t frequency, int hz, uint64_t fastTicks, bool selfPaced);
// A present ended at `now`. Returns the counter value to wait for before the next
// frame, or `now` when there is nothing to wait for. After a stall of more than one
// period the schedule starts again from `now` instead of hurrying to catch up.
uint64_t pacerAfterPresent(Pacer* pacer, uint64_t now);
// Milliseconds to sleep now on the way to `deadline`: the whole milliseconds left
// but one, which the caller spends re-reading the counter (sleeps overshoot).
uint32_t pacerSleepMs(const Pacer& pacer, uint64_t now, uint64_t deadline);

}  // namespace platform
