// sequencer.cpp — the per-tick walk: order list, pattern rows, note starting, and
// the hand-over of step, volume and panning to the mixer.
#include "sequencer.h"

#include "format.h"
#include "player.h"

namespace mxm {

namespace {

// The module's channel count, kept within the 32 records the state has.
uint32_t channelsInUse(const PlayerState& s) {
    return s.header.channelCount < MAX_CHANNELS ? s.header.channelCount : MAX_CHANNELS;
}

void runAction(int index, PlayerState& s, ChannelRecord& ch) {
    if (Action a = ACTIONS[index]) a(s, ch);
}

// Moves to the pending order position and opens its pattern at `nextRow`.
void openPendingPattern(PlayerState& s) {
    if (s.nextOrderPos != s.orderPos) {
        for (uint32_t c = 0; c < channelsInUse(s); ++c) {
            s.channels[c].loopCount = 0;
            s.channels[c].loopRow = 0;
        }
    }
    uint32_t p = s.nextOrderPos;
    if (p >= s.header.songLength) p = s.header.restartOrder;
    s.orderPos = p;
    s.row = s.nextRow;
    s.nextOrderPos = NO_JUMP;

    const uint8_t* pattern = s.header.patternOffsets[s.header.orders[s.orderPos]];
    s.patternRows = patternRowCount(pattern);
    // A row the pattern does not have would send the skip past its data: start at row 0.
    if (s.nextRow >= s.patternRows) s.row = s.nextRow = 0;
    s.patternCursor = skipRows(patternRows(pattern), s.nextRow);
    s.nextRow = 0;
}

void readRow(PlayerState& s) {
    const uint8_t* p = s.patternCursor;
    for (uint32_t c = 0; c < channelsInUse(s); ++c) {
        ChannelRecord& ch = s.channels[c];
        s.cellNote = s.cellInstrument = s.cellVolume = s.cellEffect = s.cellParam = 0;
        ch.effect = NO_EFFECT;
        ch.volumeCommand = 0;
        if (*p == 0 || (*p & CELL_CHANNEL_MASK) != c) continue;
        Cell cell;
        p = readCell(p, cell);
        s.cellNote = cell.note;
        s.cellInstrument = cell.instrument;
        s.cellVolume = cell.volume;
        s.cellEffect = cell.effect;
        s.cellParam = cell.param;

        s.delayedTrigger = 0;
        triggerNote(s, ch);

        ch.volumeCommand = static_cast<uint8_t>(s.cellVolume >> 4);
        s.cellVolume &= 15;
        runAction(ROW_VOLUME + ch.volumeCommand, s, ch);

        if (s.cellEffect < EFFECT_COUNT) {
            ch.effect = s.cellEffect;
            runAction(ROW_EFFECT + ch.effect, s, ch);
        }
    }
    s.patternCursor = p + 1;  // the row's terminating 0
}

}  // namespace

void triggerNote(PlayerState& s, ChannelRecord& ch) {
    s.cellPorta = 0;
    s.cellKeyOff = 0;
    if (s.cellEffect == EFFECT_TONE_PORTA || s.cellEffect == EFFECT_TONE_PORTA_VOLSLIDE || s.cellVolume >= 0xF0)
        s.cellPorta = 1;
    if (s.cellNote == NOTE_KEY_OFF || (s.cellEffect == EFFECT_KEY_OFF && s.cellParam == 0)) {
        s.cellKeyOff = 1;
        ch.keyHeld = 0;
        if (s.cellNote == NOTE_KEY_OFF) s.cellNote = 0;
    }
    if (s.cellInstrument >= 1 && s.cellInstrument <= s.header.instrumentCount) ch.instrumentNumber = s.cellInstrument;
    if (ch.instrumentNumber == 0) return;

    if (s.cellNote != 0) {
        if (s.cellInstrument != 0) ch.keyHeld = 1;
        ch.lastNote = s.cellNote;
        if (s.cellEffect == EFFECT_NOTE_DELAY && s.cellParam != 0) return;  // started by the delay's tick
        if (s.cellPorta) {
            ch.portaTarget = notePeriod(s, s.cellNote, ch.relativePitch);
        } else {
            const uint8_t* ins = s.header.instrumentOffsets[ch.instrumentNumber - 1];
            uint8_t k = insSampleMap(ins, s.cellNote - 1u);
            if (k >= insSampleCount(ins)) return;
            const uint8_t* smp = insSample(ins, k);
            ch.active = 1;
            ch.sampleData = s.header.sampleOffsets[smpNumber(smp)];
            ch.otherBound = static_cast<int32_t>(smpLoopStart(smp));
            ch.endBound = static_cast<int32_t>(smpEnd(smp));
            ch.voiceFlags = smpFlags(smp);
            if (s.cellInstrument != 0) {
                ch.instrument = ins;
                ch.sampleVolume = smpVolume(smp);
                ch.samplePanning = smpPanning(smp);
            }
            ch.relativePitch = smpRelativePitch(smp);
            ch.period = ch.tickPeriod = ch.portaTarget = notePeriod(s, s.cellNote, ch.relativePitch);
            ch.restartPos = 0;
            if (s.cellEffect == EFFECT_SAMPLE_OFFSET) {
                if (s.cellParam != 0) ch.sampleOffsetMem = s.cellParam;
                ch.restartPos = ch.sampleOffsetMem * 256;
            }
            ch.vibratoPos = ch.tremoloPos = ch.arpeggioStep = ch.retrigCount = ch.tremorCount = 0;
        }
    }

    if (ch.keyHeld != 0 && s.cellInstrument != 0) {
        if (s.delayedTrigger != 1) {
            ch.volume = ch.tickVolume = ch.sampleVolume;
            if (!(s.header.flags & FLAG_KEEP_CHANNEL_PANNING)) ch.panning = ch.tickPanning = ch.samplePanning;
        }
        ch.fadeVolume = 32768;
        ch.autoVibPos = ch.autoVibSweepCount = 0;
        ch.volEnvPoint = 0;
        ch.volEnvTick = 0;
        ch.panEnvPoint = 0;
        ch.panEnvTick = 0;
    }
    // A key-off without a volume envelope silences the note at once.
    if (s.cellKeyOff == 1 && s.cellInstrument == 0 && ch.instrument && envLast(insVolEnv(ch.instrument)) == 0)
        ch.fadeVolume = 0;
}

void playerTick() {
    PlayerState* state = currentState();
    if (!state) return;
    PlayerState& s = *state;
    uint32_t channels = channelsInUse(s);

    s.rowTick = 0;
    for (uint32_t c = 0; c < channels; ++c) {
        ChannelRecord& ch = s.channels[c];
        ch.tickVolume = ch.volume;
        ch.tickPanning = ch.panning;
        ch.tickPeriod = ch.period;
    }

    ++s.tick;
    if (s.tick == s.speed) {
        s.tick = 0;
        if (s.patternDelay != 0) {
            --s.patternDelay;  // the row is not read again; its tick effects go on
        } else {
            s.rowTick = 1;
            ++s.row;
            bool newPattern = s.nextOrderPos != NO_JUMP;
            if (!newPattern && s.row >= s.patternRows) {
                s.nextOrderPos = s.orderPos + 1;
                s.nextRow = 0;
                newPattern = true;
            }
            if (newPattern) openPendingPattern(s);
            readRow(s);
        }
    }

    for (uint32_t c = 0; c < channels; ++c) {
        ChannelRecord& ch = s.channels[c];
        runAction(TICK_VOLUME + ch.volumeCommand, s, ch);
        if (ch.effect != NO_EFFECT) runAction(TICK_EFFECT + ch.effect, s, ch);
        if (ch.instrument) processInstrument(s, ch);
        ch.mixVolume = ch.tickVolume;
        ch.mixPan = ch.tickPanning;
        ch.step = periodToStepIn(s, ch.tickPeriod);
    }
}

}  // namespace mxm
