// pcm_match.h — finds a recording of the song inside its offline render. A sound server
// may lose frames or put in silence, so the recording is cut into stretches, each equal to
// the render at one offset (looked up by its first frames, extended while they agree), with
// only silence (all-zero frames) between them; the longest chain of stretches in render
// order shows how much of the song arrived in order.
// Units: frames of 4 bytes (two signed 16-bit samples, little-endian), as stored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pcmmatch {

using Frame = uint32_t;  // left | right << 16, as the bytes lie in a raw s16le file

// Frames looked up to place a stretch; a shorter non-silent run cannot be placed
// unless it continues the stretch before it.
constexpr uint32_t KEY_FRAMES = 8;

struct Stretch {
    uint64_t recordStart;  // first frame in the recording
    uint64_t renderStart;  // the render frame it equals
    uint64_t frames;
};

struct Result {
    uint64_t recordedFrames = 0;
    uint64_t silentFrames = 0;     // all-zero frames outside the stretches
    uint64_t matchedFrames = 0;    // frames inside stretches
    uint64_t unmatchedFrames = 0;  // non-silent frames found nowhere in the render
    std::vector<Stretch> stretches;
    // The longest chain of stretches, each starting in the render at or after the end of
    // the one before: its first and one-past-last stretch, and the song it spans.
    size_t chainFirst = 0;
    size_t chainEnd = 0;
    uint64_t chainMatchedFrames = 0;
    uint64_t chainSpanFrames = 0;  // render frames from the chain's first start to its last end
};

std::vector<Frame> framesFromBytes(const std::vector<uint8_t>& bytes);
Result match(const std::vector<Frame>& render, const std::vector<Frame>& recording);
// The verdict: at most `maxUnmatched` sounding frames placed nowhere, and at least
// `minSeconds` of the song in the in-order chain.
bool passes(const Result& result, double minSeconds, uint64_t maxUnmatched, uint32_t rateHz);
// A readable report: totals, the chain, and every stretch with the gap before it.
std::string report(const Result& result, uint32_t rateHz);

}  // namespace pcmmatch
