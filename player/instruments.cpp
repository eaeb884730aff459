// instruments.cpp — per-tick instrument processing of a channel: volume scaling,
// fade-out, the volume and panning envelopes, and the auto-vibrato.
#include "player/format.h"
#include "player/player.h"
#include "player/sequencer.h"

namespace mxm {

namespace {

// Value of the envelope `env` at the channel's position, then advances the position
// by one tick. A position on the loop-end point past its first tick goes back to the
// loop start with the tick kept; while the key is held the sustain point holds.
//
// A segment whose tick count has reached or passed its length (a loop jump or a set
// position can carry a tick into a shorter segment) gives its end value and is left
// at once; a zero-length segment is such a segment from its first tick, so it shows
// its end value, is passed over, and is never divided by.
int32_t envelopeStep(const uint8_t* env, uint32_t& point, uint16_t& tick, bool keyHeld) {
    uint32_t i = point;
    if (tick != 0 && i == envLoopEnd(env)) point = i = envLoopStart(env);
    if (i == envLast(env)) return envValue(env, i);

    uint32_t length = envLength(env, i);
    int32_t from = envValue(env, i), to = envValue(env, i + 1);
    int32_t e = tick < length ? from + static_cast<int32_t>(int64_t{to - from} * tick / length) : to;
    if (tick == 0 && keyHeld && i == envSustain(env)) return e;
    uint32_t next = tick + 1u;
    if (next >= length) {
        tick = 0;
        point = i + 1;
    } else {
        tick = static_cast<uint16_t>(next);
    }
    return e;
}

// Effect L's walk: `ticks` into the envelope, past whole segments; at the last point
// the position is the point itself.
void setPosition(const uint8_t* env, uint32_t& point, uint16_t& tick, uint32_t ticks) {
    uint32_t i = 0;
    uint32_t last = envLast(env);
    while (i != last && ticks >= envLength(env, i)) {
        ticks -= envLength(env, i);
        ++i;
    }
    if (i == last) ticks = 0;
    point = i;
    tick = static_cast<uint16_t>(ticks);
}

}  // namespace

void setEnvelopePositions(ChannelRecord& ch, uint32_t ticks) {
    setPosition(insVolEnv(ch.instrument), ch.volEnvPoint, ch.volEnvTick, ticks);
    setPosition(insPanEnv(ch.instrument), ch.panEnvPoint, ch.panEnvTick, ticks);
}

void processInstrument(PlayerState& s, ChannelRecord& ch) {
    const uint8_t* ins = ch.instrument;

    // Master, global and fade volume: 64, 64, 32768 give 128 from a channel volume of 64.
    uint32_t v = ch.tickVolume;
    v = static_cast<uint8_t>((v * s.masterVolume) >> 6);
    v = static_cast<uint8_t>((v * s.globalVolume * ch.fadeVolume) >> 20);
    ch.tickVolume = static_cast<uint8_t>(v);

    // The fade lowered here applies from the next tick.
    if (ch.keyHeld == 0) {
        uint16_t fadeOut = insFadeOut(ins);
        ch.fadeVolume = ch.fadeVolume > fadeOut ? static_cast<uint16_t>(ch.fadeVolume - fadeOut) : 0;
    }

    int32_t e = envelopeStep(insVolEnv(ins), ch.volEnvPoint, ch.volEnvTick, ch.keyHeld != 0);
    ch.tickVolume = static_cast<uint8_t>((e * ch.tickVolume) >> 6);

    // Panning moves from where it is towards an edge, in proportion to the room on the
    // nearer side: 32 keeps it, 64 reaches the right edge, 0 the left.
    e = envelopeStep(insPanEnv(ins), ch.panEnvPoint, ch.panEnvTick, ch.keyHeld != 0);
    int32_t p = ch.tickPanning;
    int32_t room = p < 128 ? p : 255 - p;
    ch.tickPanning = static_cast<uint8_t>(p + (((e - 32) * room) >> 5));

    // Auto-vibrato: a positive wave value raises the pitch; the depth grows over the sweep.
    int32_t w = s.waveforms[insAutoVibType(ins) & 3][ch.autoVibPos];
    int32_t a = (w * insAutoVibDepth(ins)) >> 4;
    uint8_t sweep = insAutoVibSweep(ins);
    if (ch.autoVibSweepCount < sweep) {
        a = a * ch.autoVibSweepCount / sweep;
        ++ch.autoVibSweepCount;
    }
    ch.tickPeriod = clampPeriod(s, ch.tickPeriod - a);
    ch.autoVibPos = static_cast<uint8_t>(ch.autoVibPos + insAutoVibRate(ins));
}

}  // namespace mxm
