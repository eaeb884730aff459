// pitch.cpp — the two frequency models: note periods, the table-driven exponential,
// the period clamp and the conversion of a period to a mixer step.
#include "player/player.h"
#include "player/sequencer.h"

namespace mxm {

namespace {

// round(6848 × 2^((8 − k) × 4 / 3)): one entry per 4096 units of x.
constexpr uint32_t EXP_TABLE_TOP[16] = {11131415, 4417505, 1753088, 695713, 276094, 109568, 43482, 17256,
                                        6848,     2718,    1078,    428,    170,    67,     27,    11};
// round(32768 × 2^(−k / 192)).
constexpr uint16_t EXP_TABLE_SIXTEENTH[16] = {32768, 32650, 32532, 32415, 32298, 32182, 32066, 31950,
                                              31835, 31720, 31606, 31492, 31379, 31266, 31153, 31041};
// round(32768 × 2^(−k / 3072)).
constexpr uint16_t EXP_TABLE_FINE[16] = {32768, 32761, 32753, 32746, 32738, 32731, 32724, 32716,
                                         32709, 32702, 32694, 32687, 32679, 32672, 32665, 32657};

constexpr int32_t LINEAR_NOTE_1 = 12288;            // linear period of note 1; note 49 is 0
constexpr uint32_t AMIGA_STEP_NUMERATOR = 1329006;  // Amiga period 6848 → step 194
constexpr uint32_t AMIGA_SMALL_PERIOD = 100;        // below this the period is taken as the step

uint32_t scale15(uint32_t r, uint16_t factor) {
    return static_cast<uint32_t>((static_cast<uint64_t>(r) * factor) >> 15);
}

}  // namespace

// round(32768 × 2^(−k / 12)): one semitone per entry (also used by the Amiga arpeggio).
const uint16_t EXP_TABLE_SEMI[16] = {32768, 30929, 29193, 27554, 26008, 24548, 23170, 21870,
                                     20643, 19484, 18390, 17358, 16384, 15464, 14596, 13777};

uint32_t pitchExp(int16_t x) {
    uint32_t u = static_cast<uint16_t>(x + 32768);
    uint32_t r = EXP_TABLE_TOP[u >> 12];
    r = scale15(r, EXP_TABLE_SEMI[(u >> 8) & 15]);
    r = scale15(r, EXP_TABLE_SIXTEENTH[(u >> 4) & 15]);
    r = scale15(r, EXP_TABLE_FINE[u & 15]);
    return r;
}

int32_t notePeriod(const PlayerState& s, uint8_t note, int16_t relativePitch) {
    uint16_t v = static_cast<uint16_t>((note - 1) * 256 + relativePitch);
    if (s.header.flags & FLAG_LINEAR_PERIODS) return static_cast<int16_t>(LINEAR_NOTE_1 - v);
    return static_cast<int32_t>(pitchExp(static_cast<int16_t>(v - LINEAR_NOTE_1)));
}

int32_t clampPeriod(const PlayerState& s, int32_t p) {
    if (p <= s.header.minPeriod) p = s.header.minPeriod;
    if (p >= s.header.maxPeriod) p = s.header.maxPeriod;
    return p;
}

uint16_t periodToStep(const PlayerState& s, int32_t p) {
    uint32_t step;
    if (s.header.flags & FLAG_LINEAR_PERIODS) {
        // Periods beyond 16 bits and steps beyond 16 bits (reachable only with period
        // bounds wider than any module needs) saturate instead of wrapping round to a
        // far-off pitch.
        if (p > 32767) p = 32767;
        if (p < -32768) p = -32768;
        step = pitchExp(static_cast<int16_t>(p)) * 14 / 494;
        if (step > 0xFFFF) step = 0xFFFF;
    } else {
        uint32_t u = static_cast<uint32_t>(p);
        step = u < AMIGA_SMALL_PERIOD ? u : AMIGA_STEP_NUMERATOR / u;
    }
    return static_cast<uint16_t>(step & ~1u);
}

}  // namespace mxm
