// synth.h — synthesises the music's eight instrument samples from their text settings.
//
//   SampleData s = synthesise(instrument);   // 8-bit values, -128..127
//
// Kinds: pluck (a plucked string: a Karplus–Strong delay line whose period is exactly
// `cycle` points), strum (four such strings tuned to a just major or minor chord and
// started one after the other), whistle (a near-sine with a breathy attack), kick
// (a falling sine sweep), snare (a tone and filtered noise), hat (high-passed noise).
// Pitched kinds end in a loop of whole periods that repeats seamlessly; drums are
// one-shot. Everything is deterministic: the noise comes from a seeded generator.
#pragma once

#include <cstdint>
#include <vector>

#include "assets/music/song_text.h"

namespace music {

struct SampleData {
    std::vector<int32_t> points;  // `points` values, each -128..127
    bool looped = false;
    uint32_t loopStart = 0;  // loop runs [loopStart, points.size())
};

// Throws TextError naming the instrument's line for settings it cannot honour.
SampleData synthesise(const InstrumentText& ins);

}  // namespace music
