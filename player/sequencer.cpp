// sequencer.cpp — the per-tick walk: order list, pattern rows, note starting, and
// the hand-over of step, volume and panning to the mixer.
#include "player/sequencer.h"

#include "player/format.h"
#include "player/player.h"

namespace mxm {

namespace {

// The module's channel count, kept within the 32 records the state has.
uint32_t channelsInUse(const PlayerState& s) {
    return s.header.channelCount < MAX_CHANNELS ? s.header.channelCount : MAX_CHANNELS;
}

void runRow(int command, PlayerState& s, ChannelRecord& ch, const Cell& cell) {
    if (RowAction a = ACTIONS[command].row) a(s, ch, cell);
}

void runTick(int command, PlayerState& s, ChannelRecord& ch) {
    if (TickAction a = ACTIONS[command].tick) a(s, ch);
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
        ch.effect = NO_EFFECT;
        ch.volumeCommand = 0;
        if (*p == 0 || (*p & CELL_CHANNEL_MASK) != c) continue;
        Cell cell;
        p = readCell(p, cell);

        triggerNote(s, ch, cell, false);

        // The row actions after the note see the volume column's y alone.
        ch.volumeCommand = static_cast<uint8_t>(cell.volume >> 4);
        cell.volume &= 15;
        runRow(VOLUME_COMMANDS + ch.volumeCommand, s, ch, cell);

        if (cell.effect < EFFECT_COUNT) {
            ch.effect = cell.effect;
            runRow(ch.effect, s, ch, cell);
        }
    }
    s.patternCursor = p + 1;  // the row's terminating 0
}

}  // namespace

void triggerNote(PlayerState& s, ChannelRecord& ch, const Cell& cell, bool delayed) {
    uint8_t note = cell.note;
    bool porta = cell.effect == EFFECT_TONE_PORTA || cell.effect == EFFECT_TONE_PORTA_VOLSLIDE || cell.volume >= 0xF0;
    bool keyOff = false;
    if (note == NOTE_KEY_OFF || (cell.effect == EFFECT_KEY_OFF && cell.param == 0)) {
        keyOff = true;
        ch.keyHeld = 0;
        if (note == NOTE_KEY_OFF) note = 0;
    }
    if (cell.instrument >= 1 && cell.instrument <= s.header.instrumentCount) ch.instrumentNumber = cell.instrument;
    if (ch.instrumentNumber == 0) return;

    if (note != 0) {
        if (cell.instrument != 0) ch.keyHeld = 1;
        ch.lastNote = note;
        if (cell.effect == EFFECT_NOTE_DELAY && cell.param != 0) return;  // started by the delay's tick
        if (porta) {
            ch.portaTarget = notePeriod(s, note, ch.relativePitch);
        } else {
            const uint8_t* ins = s.header.instrumentOffsets[ch.instrumentNumber - 1];
            uint8_t k = insSampleMap(ins, note - 1u);
            if (k >= insSampleCount(ins)) return;
            const uint8_t* smp = insSample(ins, k);
            ch.active = 1;
            ch.sampleData = s.header.sampleOffsets[smpNumber(smp)];
            ch.otherBound = static_cast<int32_t>(smpLoopStart(smp));
            ch.endBound = static_cast<int32_t>(smpEnd(smp));
            ch.voiceFlags = smpFlags(smp);
            if (cell.instrument != 0) {
                ch.instrument = ins;
                ch.sampleVolume = smpVolume(smp);
                ch.samplePanning = smpPanning(smp);
            }
            ch.relativePitch = smpRelativePitch(smp);
            ch.period = ch.tickPeriod = ch.portaTarget = notePeriod(s, note, ch.relativePitch);
            ch.restartPos = 0;
            if (cell.effect == EFFECT_SAMPLE_OFFSET) {
                if (cell.param != 0) ch.sampleOffsetMem = cell.param;
                ch.restartPos = ch.sampleOffsetMem * 256;
            }
            ch.vibratoPos = ch.tremoloPos = ch.arpeggioStep = ch.retrigCount = ch.tremorCount = 0;
        }
    }

    if (ch.keyHeld != 0 && cell.instrument != 0) {
        if (!delayed) {
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
    if (keyOff && cell.instrument == 0 && ch.instrument && envLast(insVolEnv(ch.instrument)) == 0) ch.fadeVolume = 0;
}

void playerTick(PlayerState& s) {
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
        runTick(VOLUME_COMMANDS + ch.volumeCommand, s, ch);
        if (ch.effect != NO_EFFECT) runTick(ch.effect, s, ch);
        if (ch.instrument) processInstrument(s, ch);
        ch.mixVolume = ch.tickVolume;
        ch.mixPan = ch.tickPanning;
        ch.step = periodToStep(s, ch.tickPeriod);
    }
}

}  // namespace mxm
