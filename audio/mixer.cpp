// mixer.cpp — render driver (ticks between spans) and the integer voice mixer.
//
// Positions are 32.32 fixed point held as one signed 64-bit value P; every change
// is a multiple of 2^22 (1/1,024 point), so run lengths computed by one division
// per run are exact. Products that may leave 32 bits are formed in unsigned
// arithmetic and reinterpreted, which gives the two's-complement wrap without UB.
#include "audio/mixer.h"

#include <cstring>

#include "player/player.h"

namespace audio {

namespace {

using mxm::ChannelRecord;

constexpr int GRID_SHIFT = 22;  // 2^22 = 1/1,024 point in 32.32

// Wrapping 32-bit product, taken as signed.
inline int32_t mulWrap(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

inline int64_t positionOf(const ChannelRecord& ch) {
    return static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(ch.posInt)) << 32) | ch.posFrac);
}

inline void storePosition(ChannelRecord& ch, int64_t p) {
    ch.posInt = static_cast<int32_t>(p >> 32);
    ch.posFrac = static_cast<uint32_t>(p);
}

inline int32_t point8(const uint8_t* data, int32_t k) { return static_cast<int8_t>(data[k]); }

inline int32_t point16(const uint8_t* data, int32_t k) {
    const uint8_t* p = data + 2 * static_cast<int64_t>(k);
    return static_cast<int16_t>(mxm::read16(p));
}

// One interpolated point: a + ((b - a) × f) >> 16, the product wrapping in 32 bits.
inline int32_t interpolate(int32_t a, int32_t b, uint32_t f) {
    return a + (mulWrap(b - a, static_cast<int32_t>(f)) >> 16);
}

inline void accumulate(int32_t* out, int32_t v, int32_t gainLeft, int32_t gainRight) {
    out[0] += mulWrap(v, gainLeft) >> 16;
    out[1] += mulWrap(v, gainRight) >> 16;
}

// The two inner loops: `frames` frames from position p, p advancing by inc.
int64_t mixFrames8(const uint8_t* data, int64_t p, int64_t inc, uint32_t frames, int32_t* out, int32_t gainLeft,
                   int32_t gainRight) {
    const int8_t* points = reinterpret_cast<const int8_t*>(data);
    for (uint32_t k = 0; k < frames; ++k, out += 2, p += inc) {
        const int8_t* q = points + (p >> 32);
        uint32_t f = static_cast<uint32_t>(p) >> 16;
        int32_t v = interpolate(q[0], q[1], f);
        accumulate(out, v, gainLeft, gainRight);
    }
    return p;
}

int64_t mixFrames16(const uint8_t* data, int64_t p, int64_t inc, uint32_t frames, int32_t* out, int32_t gainLeft,
                    int32_t gainRight) {
    for (uint32_t k = 0; k < frames; ++k, out += 2, p += inc) {
        const uint8_t* q = data + 2 * (p >> 32);
        uint32_t f = static_cast<uint32_t>(p) >> 16;
        int32_t v = interpolate(point16(q, 0), point16(q, 1), f);
        accumulate(out, v, gainLeft, gainRight);
    }
    return p;
}

// One frame read with guards, for the two edge frames of a backward run: a point
// below the first one reads the first one, and a zero fraction does not read the
// partner (which may lie past the stored data when a turn lands on the loop end).
void mixGuardedFrame(const ChannelRecord& ch, int64_t p, int32_t* out, int32_t gainLeft, int32_t gainRight) {
    bool is16 = (ch.voiceFlags & mxm::SAMPLE_16BIT) != 0;
    int32_t i = static_cast<int32_t>(p >> 32);
    uint32_t f = static_cast<uint32_t>(p) >> 16;
    int32_t ia = i < 0 ? 0 : i;
    int32_t a = is16 ? point16(ch.sampleData, ia) : point8(ch.sampleData, ia);
    int32_t v = a;
    if (f != 0) {
        int32_t ib = i + 1 < 0 ? 0 : i + 1;
        int32_t b = is16 ? point16(ch.sampleData, ib) : point8(ch.sampleData, ib);
        v = interpolate(a, b, f);
    }
    accumulate(out, v, gainLeft, gainRight);
}

// Mixes `frames` frames of the voice from position p; returns the position after them.
int64_t mixRun(const ChannelRecord& ch, int64_t p, int64_t inc, uint32_t frames, int32_t* out) {
    bool is16 = (ch.voiceFlags & mxm::SAMPLE_16BIT) != 0;
    // 8-bit points are scaled to the 16-bit range through the gain.
    uint32_t scale = is16 ? 1u : 256u;
    int32_t gainLeft = static_cast<int32_t>(uint32_t{ch.mixVolume} * (255u - ch.mixPan) * scale);
    int32_t gainRight = static_cast<int32_t>(uint32_t{ch.mixVolume} * ch.mixPan * scale);
    if (inc < 0) {
        // Backward: the first frame may sit exactly on the loop end, the last one
        // just below the loop start.
        if (static_cast<uint32_t>(p) >> 16 == 0) {
            mixGuardedFrame(ch, p, out, gainLeft, gainRight);
            p += inc;
            out += 2;
            --frames;
        }
        if (frames > 0 && ((p + inc * (frames - 1)) >> 32) < 0) {
            --frames;
            p = is16 ? mixFrames16(ch.sampleData, p, inc, frames, out, gainLeft, gainRight)
                     : mixFrames8(ch.sampleData, p, inc, frames, out, gainLeft, gainRight);
            mixGuardedFrame(ch, p, out + 2 * frames, gainLeft, gainRight);
            return p + inc;
        }
    }
    return is16 ? mixFrames16(ch.sampleData, p, inc, frames, out, gainLeft, gainRight)
                : mixFrames8(ch.sampleData, p, inc, frames, out, gainLeft, gainRight);
}

// Walks one active voice through `frameCount` frames at out.
void mixVoice(ChannelRecord& ch, uint32_t frameCount, int32_t* out) {
    // A voice without pitch would never reach its bound: it stays where it is, silent,
    // until a tick gives it a step.
    if (ch.step == 0 || frameCount == 0) return;
    uint32_t remaining = frameCount;
    for (;;) {
        bool backward = (ch.voiceFlags & mxm::SAMPLE_BACKWARDS) != 0;
        int64_t sigma = backward ? -static_cast<int64_t>(ch.step) : ch.step;
        int64_t inc = sigma * (int64_t{1} << GRID_SHIFT);

        // Distance to the bound in 1/1,024 points, rounded toward minus infinity.
        int64_t fracUnits = static_cast<int64_t>((uint64_t{ch.posFrac} + ((1u << GRID_SHIFT) - 1)) >> GRID_SHIFT);
        int64_t distance = (static_cast<int64_t>(ch.endBound) - ch.posInt) * 1024 - fracUnits;
        int64_t run = (distance + sigma - 1) / sigma;

        if (run > 0 && remaining > 0) {
            uint32_t frames = run < remaining ? static_cast<uint32_t>(run) : remaining;
            int64_t p = mixRun(ch, positionOf(ch), inc, frames, out);
            storePosition(ch, p);
            out += 2 * static_cast<size_t>(frames);
            remaining -= frames;
        }

        bool reached = backward ? ch.posInt < ch.endBound : ch.posInt >= ch.endBound;
        if (!reached) {
            if (remaining == 0 || run <= 0) return;  // run <= 0 cannot happen short of the bound
            continue;
        }

        uint8_t flags = ch.voiceFlags;
        if ((flags & (mxm::SAMPLE_LOOP | mxm::SAMPLE_PINGPONG)) == 0) {
            ch.active = 0;
            return;
        }
        // Loop length in the forward sense; an empty (or inverted) loop has nowhere to go.
        int64_t loopLength = backward ? static_cast<int64_t>(ch.otherBound) - ch.endBound
                                      : static_cast<int64_t>(ch.endBound) - ch.otherBound;
        if (loopLength <= 0) {
            ch.active = 0;
            return;
        }
        if (flags & mxm::SAMPLE_PINGPONG) {
            uint64_t bound2 = static_cast<uint64_t>(static_cast<int64_t>(ch.endBound)) << 33;
            storePosition(ch, static_cast<int64_t>(bound2 - static_cast<uint64_t>(positionOf(ch))));
            ch.voiceFlags = static_cast<uint8_t>(flags ^ mxm::SAMPLE_BACKWARDS);
            int32_t t = ch.endBound;
            ch.endBound = ch.otherBound;
            ch.otherBound = t;
        } else {
            // Back by whole loop lengths until below the loop end: the same as one
            // length per pass, without the passes.
            int64_t over = static_cast<int64_t>(ch.posInt) - ch.endBound;
            ch.posInt = static_cast<int32_t>(ch.posInt - (over / loopLength + 1) * loopLength);
        }
        if (remaining == 0) return;
    }
}

}  // namespace

void renderFrames(mxm::PlayerState& s, uint32_t frameCount, int32_t* destination) {
    if (s.playing.load(std::memory_order_acquire) == 0) {
        std::memset(destination, 0, sizeof(int32_t) * 2 * static_cast<size_t>(frameCount));
        return;
    }
    uint32_t framesLeft = frameCount;
    while (framesLeft > 0) {
        if (s.tickCountdown < 256) {
            mxm::playerTick(s);
            // A tempo of 0 would divide by zero; it cannot come from a valid module.
            uint32_t tempo = s.tempo != 0 ? s.tempo : 1;
            s.tickCountdown += TICK_NUMERATOR / (50 * tempo);
        }
        uint32_t n = s.tickCountdown / 256;
        if (n > framesLeft) n = framesLeft;
        s.tickCountdown -= n * 256;
        framesLeft -= n;
        destination = mixSpan(s, n, destination);
    }
}

int32_t* mixSpan(mxm::PlayerState& s, uint32_t frameCount, int32_t* destination) {
    std::memset(destination, 0, sizeof(int32_t) * 2 * static_cast<size_t>(frameCount));
    for (ChannelRecord& ch : s.channels) {
        if (ch.active == 0) continue;
        if (ch.restartPos != -1) {
            ch.posInt = ch.restartPos;
            ch.posFrac = 0;
            ch.restartPos = -1;
        }
        mixVoice(ch, frameCount, destination);
    }
    return destination + 2 * static_cast<size_t>(frameCount);
}

void convertToPcm16(const int32_t* source, uint8_t* destination, uint32_t byteCount) {
    uint32_t samples = byteCount / 2;
    for (uint32_t k = 0; k < samples; ++k) {
        int32_t v = source[k];
        if (v > OUTPUT_CLAMP) v = OUTPUT_CLAMP;
        if (v < -OUTPUT_CLAMP) v = -OUTPUT_CLAMP;
        uint16_t u = static_cast<uint16_t>(v);
        destination[2 * k] = static_cast<uint8_t>(u & 0xFF);
        destination[2 * k + 1] = static_cast<uint8_t>(u >> 8);
    }
}

}  // namespace audio
