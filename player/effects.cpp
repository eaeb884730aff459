// effects.cpp — row and tick actions of the effect commands and the volume column,
// gathered into the one dispatch table.
//
// Row actions run once, on the tick that reads the row, after the cell's note part;
// tick actions run on every tick of the row, the row tick included ("later ticks"
// below means rowTick == 0). Parameter memories keep the last nonzero value.
//
// Contents:
//   [SECTION] Small helpers
//   [SECTION] Routines shared by several commands
//   [SECTION] Effect commands
//   [SECTION] Extended commands Ex
//   [SECTION] Volume column
//   [SECTION] The dispatch table
#include <array>

#include "player/format.h"
#include "player/player.h"
#include "player/sequencer.h"

namespace mxm {

namespace {

// [SECTION] Small helpers

uint8_t hi(uint8_t p) { return static_cast<uint8_t>(p >> 4); }
uint8_t lo(uint8_t p) { return static_cast<uint8_t>(p & 15); }
bool laterTick(const PlayerState& s) { return s.rowTick == 0; }
uint8_t clampVolume(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 64 ? 64 : v); }
uint8_t clampPanning(int p) { return static_cast<uint8_t>(p < 0 ? 0 : p > 255 ? 255 : p); }
bool linearModel(const PlayerState& s) { return (s.header.flags & FLAG_LINEAR_PERIODS) != 0; }

void setVolume(ChannelRecord& ch, int v) { ch.volume = ch.tickVolume = clampVolume(v); }
void setPeriod(const PlayerState& s, ChannelRecord& ch, int32_t p) { ch.period = ch.tickPeriod = clampPeriod(s, p); }

// [SECTION] Routines shared by several commands

void volumeSlide(PlayerState& s, ChannelRecord& ch) {
    uint8_t m = ch.volSlideMem;
    if (laterTick(s)) ch.volume = hi(m) == 0 ? clampVolume(ch.volume - m) : clampVolume(ch.volume + hi(m));
    ch.tickVolume = ch.volume;
}

// The period of a whole note of the current sample nearest to `period`.
int32_t glissandoPeriod(const PlayerState& s, const ChannelRecord& ch) {
    if (linearModel(s)) {
        int32_t r = static_cast<uint16_t>(ch.relativePitch);
        int32_t q = ch.period + r;
        return ((q + 128) & ~0xFF) - r;
    }
    uint32_t target = static_cast<uint32_t>(ch.period);
    uint32_t best = 0, bestDistance = 0xFFFFFFFFu;
    for (int k = 0; k < 96; ++k) {
        uint32_t candidate = pitchExp(static_cast<int16_t>(k * 256 + ch.relativePitch - 12288));
        uint32_t distance = candidate > target ? candidate - target : target - candidate;
        if (distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return static_cast<int32_t>(best);
}

void tonePortamento(PlayerState& s, ChannelRecord& ch) {
    if (laterTick(s) && ch.period != ch.portaTarget) {
        if (ch.period > ch.portaTarget) {
            ch.period -= ch.portaSpeed;
            if (ch.period < ch.portaTarget) ch.period = ch.portaTarget;
        } else {
            ch.period += ch.portaSpeed;
            if (ch.period > ch.portaTarget) ch.period = ch.portaTarget;
        }
    }
    ch.tickPeriod = ch.glissando != 0 ? glissandoPeriod(s, ch) : ch.period;
}

void vibrato(PlayerState& s, ChannelRecord& ch) {
    int w = s.waveforms[ch.vibratoWave & 3][ch.vibratoPos];
    ch.tickPeriod = clampPeriod(s, ch.tickPeriod + ((w * ch.vibratoDepth) >> 3));
    if (laterTick(s)) ch.vibratoPos = static_cast<uint8_t>(ch.vibratoPos + (ch.vibratoSpeed >> 1));
}

// [SECTION] Effect commands

void rowArpeggio(PlayerState&, ChannelRecord& ch, const Cell& cell) {
    if (cell.param == 0) ch.effect = NO_EFFECT;
    ch.arpeggioOffsets[0] = 0;
    ch.arpeggioOffsets[1] = hi(cell.param);
    ch.arpeggioOffsets[2] = lo(cell.param);
}
void tickArpeggio(PlayerState& s, ChannelRecord& ch) {
    uint8_t o = ch.arpeggioOffsets[ch.arpeggioStep];
    if (linearModel(s)) {
        ch.tickPeriod = clampPeriod(s, ch.tickPeriod - o * 256);
    } else {
        uint64_t scaled = (static_cast<uint64_t>(static_cast<uint32_t>(ch.tickPeriod)) * EXP_TABLE_SEMI[o]) >> 15;
        ch.tickPeriod = clampPeriod(s, static_cast<int32_t>(static_cast<uint32_t>(scaled)));
    }
    ch.arpeggioStep = static_cast<uint8_t>((ch.arpeggioStep + 1) % 3);
}

void rowPortaUp(PlayerState&, ChannelRecord& ch, const Cell& cell) {
    if (cell.param != 0) ch.portaUpSpeed = cell.param * 16;
}
void tickPortaUp(PlayerState& s, ChannelRecord& ch) {
    if (laterTick(s)) setPeriod(s, ch, ch.period - ch.portaUpSpeed);
}
void rowPortaDown(PlayerState&, ChannelRecord& ch, const Cell& cell) {
    if (cell.param != 0) ch.portaDownSpeed = cell.param * 16;
}
void tickPortaDown(PlayerState& s, ChannelRecord& ch) {
    if (laterTick(s)) setPeriod(s, ch, ch.period + ch.portaDownSpeed);
}

void rowTonePorta(PlayerState&, ChannelRecord& ch, const Cell& cell) {
    if (cell.param != 0) ch.portaSpeed = cell.param * 16;
}

void rowVibrato(PlayerState&, ChannelRecord& ch, const Cell& cell) {
    if (lo(cell.param) != 0) ch.vibratoDepth = static_cast<uint8_t>(lo(cell.param) * 4);
    if (hi(cell.param) != 0) ch.vibratoSpeed = static_cast<uint8_t>(hi(cell.param) * 4);
}

void rowVolumeSlide(PlayerState&, ChannelRecord& ch, const Cell& cell) {
    if (cell.param != 0) ch.volSlideMem = cell.param;
}
void tickTonePortaVolumeSlide(PlayerState& s, ChannelRecord& ch) {
    tonePortamento(s, ch);
    volumeSlide(s, ch);
}
void tickVibratoVolumeSlide(PlayerState& s, ChannelRecord& ch) {
    vibrato(s, ch);
    volumeSlide(s, ch);
}

void rowTremolo(PlayerState&, ChannelRecord& ch, const Cell& cell) {
    if (lo(cell.param) != 0) ch.tremoloDepth = static_cast<uint8_t>(lo(cell.param) * 4);
    if (hi(cell.param) != 0) ch.tremoloSpeed = static_cast<uint8_t>(hi(cell.param) * 4);
}
void tickTremolo(PlayerState& s, ChannelRecord& ch) {
    int w = s.waveforms[ch.tremoloWave & 3][ch.tremoloPos];
    ch.tickVolume = clampVolume(ch.tickVolume + ((w * ch.tremoloDepth) >> 6));
    if (laterTick(s)) ch.tremoloPos = static_cast<uint8_t>(ch.tremoloPos + ch.tremoloSpeed);
}

void rowSetPanning(PlayerState&, ChannelRecord& ch, const Cell& cell) { ch.panning = ch.tickPanning = cell.param; }

void rowPositionJump(PlayerState& s, ChannelRecord&, const Cell& cell) {
    s.nextOrderPos = cell.param;
    s.nextRow = 0;
}

void rowSetVolume(PlayerState&, ChannelRecord& ch, const Cell& cell) { setVolume(ch, cell.param); }

void rowPatternBreak(PlayerState& s, ChannelRecord&, const Cell& cell) {
    if (s.nextOrderPos == NO_JUMP) s.nextOrderPos = s.orderPos + 1;
    s.nextRow = hi(cell.param) * 10u + lo(cell.param);  // decimal digits
}

void rowSpeedTempo(PlayerState& s, ChannelRecord&, const Cell& cell) {
    if (cell.param >= 32)
        s.tempo = cell.param;
    else if (cell.param != 0)
        s.speed = cell.param;
}

void rowGlobalVolume(PlayerState& s, ChannelRecord&, const Cell& cell) {
    s.globalVolume = cell.param > 64 ? 64 : cell.param;
}
void rowGlobalSlide(PlayerState&, ChannelRecord& ch, const Cell& cell) {
    if (cell.param != 0) ch.globalSlideMem = cell.param;
}
void tickGlobalSlide(PlayerState& s, ChannelRecord& ch) {
    if (!laterTick(s)) return;
    uint8_t m = ch.globalSlideMem;
    s.globalVolume = hi(m) == 0 ? clampVolume(s.globalVolume - m) : clampVolume(s.globalVolume + hi(m));
}

void rowSetEffectTick(PlayerState&, ChannelRecord& ch, const Cell& cell) { ch.effectTick = cell.param; }
void tickKeyOff(PlayerState& s, ChannelRecord& ch) {
    if (!laterTick(s) || s.tick != ch.effectTick) return;
    ch.keyHeld = 0;
    if (ch.instrument && envLast(insVolEnv(ch.instrument)) == 0) ch.fadeVolume = 0;
}

void rowEnvelopePosition(PlayerState&, ChannelRecord& ch, const Cell& cell) {
    if (ch.instrument) setEnvelopePositions(ch, cell.param);
}

void rowPanningSlide(PlayerState&, ChannelRecord& ch, const Cell& cell) {
    if (cell.param != 0) ch.panSlideMem = cell.param;
}
void tickPanningSlide(PlayerState& s, ChannelRecord& ch) {
    uint8_t m = ch.panSlideMem;
    if (laterTick(s)) ch.panning = hi(m) == 0 ? clampPanning(ch.panning + m) : clampPanning(ch.panning - hi(m));
    ch.tickPanning = ch.panning;
}

// Volume after a retrigger with volume op `op` (1..7 lower, 9..15 raise).
int retriggerVolume(int v, uint8_t op) {
    static constexpr int8_t STEP[16] = {0, -1, -2, -4, -8, -16, 0, 0, 0, 1, 2, 4, 8, 16, 0, 0};
    switch (op) {
        case 6:
            return (v + (v >> 2)) >> 1;
        case 7:
            return v >> 1;
        case 14:
            return v + (v >> 1);
        case 15:
            return 2 * v;
        default:
            return v + STEP[op];
    }
}

void rowMultiRetrigger(PlayerState&, ChannelRecord& ch, const Cell& cell) {
    if (cell.param == 0) return;
    ch.retrigVolumeOp = hi(cell.param);
    ch.retrigInterval = lo(cell.param);
    ch.retrigCount = 0;
}
void tickMultiRetrigger(PlayerState&, ChannelRecord& ch) {
    uint8_t c = ch.retrigCount;
    ch.retrigCount = static_cast<uint8_t>(c + 1);
    if (c != ch.retrigInterval) return;
    ch.retrigCount = 0;
    ch.restartPos = 0;
    uint8_t op = ch.retrigVolumeOp & 15;
    if (op != 0 && op != 8) setVolume(ch, retriggerVolume(ch.volume, op));
}

void rowSync(PlayerState& s, ChannelRecord&, const Cell& cell) { s.syncValue = cell.param; }

void rowTremor(PlayerState&, ChannelRecord& ch, const Cell& cell) {
    if (cell.param == 0) return;
    ch.tremorOn = static_cast<uint8_t>(hi(cell.param) + 1);
    ch.tremorCycle = static_cast<uint8_t>(ch.tremorOn + lo(cell.param) + 1);
    ch.tremorCount = 0;
}
void tickTremor(PlayerState& s, ChannelRecord& ch) {
    if (ch.tremorCount >= ch.tremorOn) ch.tickVolume = 0;
    if (!laterTick(s)) return;
    ch.tremorCount = static_cast<uint8_t>(ch.tremorCount + 1);
    if (ch.tremorCount >= ch.tremorCycle) ch.tremorCount = 0;
}

void rowExtraFinePorta(PlayerState& s, ChannelRecord& ch, const Cell& cell) {
    uint8_t y = lo(cell.param);
    if (hi(cell.param) == 1) {
        if (y != 0) ch.extraFineUpMem = y;
        setPeriod(s, ch, ch.period - ch.extraFineUpMem * 4);
    } else if (hi(cell.param) == 2) {
        if (y != 0) ch.extraFineDownMem = y;
        setPeriod(s, ch, ch.period + ch.extraFineDownMem * 4);
    }
}

// [SECTION] Extended commands Ex
// The parameter byte holds y alone.

void rowFinePortaUp(PlayerState& s, ChannelRecord& ch, const Cell& cell) {
    if (cell.param != 0) ch.finePortaUpMem = cell.param;
    setPeriod(s, ch, ch.period - ch.finePortaUpMem * 16);
}
void rowFinePortaDown(PlayerState& s, ChannelRecord& ch, const Cell& cell) {
    if (cell.param != 0) ch.finePortaDownMem = cell.param;
    setPeriod(s, ch, ch.period + ch.finePortaDownMem * 16);
}
void rowGlissando(PlayerState&, ChannelRecord& ch, const Cell& cell) { ch.glissando = cell.param; }
void rowVibratoWave(PlayerState&, ChannelRecord& ch, const Cell& cell) { ch.vibratoWave = cell.param & 3; }
void rowTremoloWave(PlayerState&, ChannelRecord& ch, const Cell& cell) { ch.tremoloWave = cell.param & 3; }

void rowPatternLoop(PlayerState& s, ChannelRecord& ch, const Cell& cell) {
    uint8_t y = cell.param;
    if (y == 0) {
        ch.loopRow = static_cast<uint8_t>(s.row);
        return;
    }
    ch.loopCount = static_cast<uint8_t>(ch.loopCount + 1);
    if (ch.loopCount <= y) {
        s.nextRow = ch.loopRow;
        s.nextOrderPos = s.orderPos;
    } else {
        ch.loopCount = 0;
        ch.loopRow = static_cast<uint8_t>(s.row + 1);
    }
}

void rowSetPanningNibble(PlayerState&, ChannelRecord& ch, const Cell& cell) {
    ch.panning = ch.tickPanning = static_cast<uint8_t>(cell.param * 17);
}

void tickRetrigger(PlayerState& s, ChannelRecord& ch) {
    if (ch.effectTick != 0 && s.tick % ch.effectTick == 0) ch.restartPos = 0;
}

void rowFineVolumeUp(PlayerState&, ChannelRecord& ch, const Cell& cell) {
    if (cell.param != 0) ch.fineVolUpMem = cell.param;
    setVolume(ch, ch.volume + ch.fineVolUpMem);
}
void rowFineVolumeDown(PlayerState&, ChannelRecord& ch, const Cell& cell) {
    if (cell.param != 0) ch.fineVolDownMem = cell.param;
    setVolume(ch, ch.volume - ch.fineVolDownMem);
}

void tickNoteCut(PlayerState& s, ChannelRecord& ch) {
    if (laterTick(s) && s.tick == ch.effectTick) ch.volume = ch.tickVolume = 0;
}

void tickNoteDelay(PlayerState& s, ChannelRecord& ch) {
    if (!laterTick(s) || s.tick != ch.effectTick) return;
    // The note and instrument its row gave are the channel's last ones.
    Cell cell{};
    cell.note = ch.lastNote;
    cell.instrument = ch.instrumentNumber;
    cell.effect = NO_EFFECT;
    triggerNote(s, ch, cell, true);
}

void rowPatternDelay(PlayerState& s, ChannelRecord&, const Cell& cell) { s.patternDelay = cell.param; }

// [SECTION] Volume column
// y = the low nibble, left in the cell's volume.

void volSet(PlayerState&, ChannelRecord& ch, const Cell& cell) {
    setVolume(ch, ((ch.volumeCommand << 4) | cell.volume) - 0x10);
}
void volSetFull(PlayerState&, ChannelRecord& ch, const Cell&) { setVolume(ch, 64); }
void volRememberParam(PlayerState&, ChannelRecord& ch, const Cell& cell) { ch.volColumnParam = cell.volume; }
void volSlideDown(PlayerState& s, ChannelRecord& ch) {
    if (laterTick(s)) ch.volume = clampVolume(ch.volume - ch.volColumnParam);
    ch.tickVolume = ch.volume;
}
void volSlideUp(PlayerState& s, ChannelRecord& ch) {
    if (laterTick(s)) ch.volume = clampVolume(ch.volume + ch.volColumnParam);
    ch.tickVolume = ch.volume;
}
void volFineDown(PlayerState&, ChannelRecord& ch, const Cell& cell) { setVolume(ch, ch.volume - cell.volume); }
void volFineUp(PlayerState&, ChannelRecord& ch, const Cell& cell) { setVolume(ch, ch.volume + cell.volume); }
void volVibratoSpeed(PlayerState&, ChannelRecord& ch, const Cell& cell) {
    if (cell.volume != 0) ch.vibratoSpeed = static_cast<uint8_t>(cell.volume * 4);
}
void volVibratoDepth(PlayerState&, ChannelRecord& ch, const Cell& cell) {
    if (cell.volume != 0) ch.vibratoDepth = static_cast<uint8_t>(cell.volume * 4);
}
void volSetPanning(PlayerState&, ChannelRecord& ch, const Cell& cell) {
    ch.panning = ch.tickPanning = static_cast<uint8_t>(cell.volume * 17);
}
void volPanSlideLeft(PlayerState& s, ChannelRecord& ch) {
    if (laterTick(s)) ch.panning = clampPanning(ch.panning - ch.volColumnParam);
    ch.tickPanning = ch.panning;
}
void volPanSlideRight(PlayerState& s, ChannelRecord& ch) {
    if (laterTick(s)) ch.panning = clampPanning(ch.panning + ch.volColumnParam);
    ch.tickPanning = ch.panning;
}
void volTonePortaSpeed(PlayerState&, ChannelRecord& ch, const Cell& cell) {
    if (cell.volume != 0) ch.portaSpeed = cell.volume * 256;
}

// [SECTION] The dispatch table

constexpr std::array<Action, ACTION_COUNT> buildActions() {
    std::array<Action, ACTION_COUNT> a{};
    auto effect = [&a](int number, RowAction row, TickAction tick) { a[number] = {row, tick}; };
    auto volume = [&a](int command, RowAction row, TickAction tick) { a[VOLUME_COMMANDS + command] = {row, tick}; };
    effect(0x00, rowArpeggio, tickArpeggio);
    effect(0x01, rowPortaUp, tickPortaUp);
    effect(0x02, rowPortaDown, tickPortaDown);
    effect(0x03, rowTonePorta, tonePortamento);
    effect(0x04, rowVibrato, vibrato);
    effect(0x05, rowVolumeSlide, tickTonePortaVolumeSlide);
    effect(0x06, rowVolumeSlide, tickVibratoVolumeSlide);
    effect(0x07, rowTremolo, tickTremolo);
    effect(0x08, rowSetPanning, nullptr);
    // 0x09 sample offset: triggerNote applies it.
    effect(0x0A, rowVolumeSlide, volumeSlide);
    effect(0x0B, rowPositionJump, nullptr);
    effect(0x0C, rowSetVolume, nullptr);
    effect(0x0D, rowPatternBreak, nullptr);
    effect(0x0F, rowSpeedTempo, nullptr);
    effect(0x10, rowGlobalVolume, nullptr);
    effect(0x11, rowGlobalSlide, tickGlobalSlide);
    effect(0x14, rowSetEffectTick, tickKeyOff);  // K
    effect(0x15, rowEnvelopePosition, nullptr);  // L
    effect(0x19, rowPanningSlide, tickPanningSlide);
    effect(0x1B, rowMultiRetrigger, tickMultiRetrigger);
    effect(0x1C, rowSync, nullptr);  // S
    effect(0x1D, rowTremor, tickTremor);
    effect(0x20, rowSync, nullptr);  // W
    effect(0x21, rowExtraFinePorta, nullptr);
    effect(0x25, rowFinePortaUp, nullptr);
    effect(0x26, rowFinePortaDown, nullptr);
    effect(0x27, rowGlissando, nullptr);
    effect(0x28, rowVibratoWave, nullptr);
    effect(0x2A, rowPatternLoop, nullptr);
    effect(0x2B, rowTremoloWave, nullptr);
    effect(0x2C, rowSetPanningNibble, nullptr);
    effect(0x2D, rowSetEffectTick, tickRetrigger);  // E9
    effect(0x2E, rowFineVolumeUp, nullptr);
    effect(0x2F, rowFineVolumeDown, nullptr);
    effect(0x30, rowSetEffectTick, tickNoteCut);    // EC
    effect(0x31, rowSetEffectTick, tickNoteDelay);  // ED
    effect(0x32, rowPatternDelay, nullptr);
    effect(0x33, rowSync, nullptr);  // EF

    for (int c = 1; c <= 4; ++c) volume(c, volSet, nullptr);
    volume(0x5, volSetFull, nullptr);
    volume(0x6, volRememberParam, volSlideDown);
    volume(0x7, volRememberParam, volSlideUp);
    volume(0x8, volFineDown, nullptr);
    volume(0x9, volFineUp, nullptr);
    volume(0xA, volVibratoSpeed, nullptr);
    volume(0xB, volVibratoDepth, vibrato);
    volume(0xC, volSetPanning, nullptr);
    volume(0xD, volRememberParam, volPanSlideLeft);
    volume(0xE, volRememberParam, volPanSlideRight);
    volume(0xF, volTonePortaSpeed, tonePortamento);
    return a;
}

}  // namespace

const std::array<Action, ACTION_COUNT> ACTIONS = buildActions();

}  // namespace mxm
