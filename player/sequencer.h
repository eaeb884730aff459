// sequencer.h — the player's internal routines, shared by the sequencer, the effect
// commands and the instrument processing. Not part of the player's interface.
//
// Effect dispatch: one table of 68 commands, the effects (0..51) then the volume
// column's (52..67); each has a row action, run once on the tick that reads its row
// with that row's cell, and a tick action, run on every tick of the row. An empty
// action is null.
//
//   if (TickAction a = ACTIONS[ch.effect].tick) a(state, ch);
//   if (RowAction a = ACTIONS[VOLUME_COMMANDS + ch.volumeCommand].row) a(state, ch, cell);
//
// Units: periods in 1/256 semitone (linear) or Amiga-style periods; volumes 0..64.
#pragma once

#include <array>
#include <cstdint>

#include "player/player_state.h"

namespace mxm {

struct Cell;

using RowAction = void (*)(PlayerState& s, ChannelRecord& ch, const Cell& cell);
using TickAction = void (*)(PlayerState& s, ChannelRecord& ch);
struct Action {
    RowAction row;
    TickAction tick;
};

constexpr int EFFECT_COUNT = 0x34;  // 0-9, A-Z, E0-EF
constexpr int VOLUME_COMMANDS = EFFECT_COUNT;
constexpr int ACTION_COUNT = VOLUME_COMMANDS + 16;
static_assert(ACTION_COUNT == 68);

extern const std::array<Action, ACTION_COUNT> ACTIONS;

// Effect numbers the sequencer itself looks at.
constexpr uint8_t EFFECT_TONE_PORTA = 0x03;
constexpr uint8_t EFFECT_TONE_PORTA_VOLSLIDE = 0x05;
constexpr uint8_t EFFECT_SAMPLE_OFFSET = 0x09;
constexpr uint8_t EFFECT_KEY_OFF = 0x14;
constexpr uint8_t EFFECT_NOTE_DELAY = 0x31;

// Starts the note and/or instrument of `cell` on channel `ch`. `delayed`: the note
// delay's own start of a note its row held back, which keeps the channel's volume
// and panning.
void triggerNote(PlayerState& s, ChannelRecord& ch, const Cell& cell, bool delayed);

// Period of `note` (1..96) with the relative pitch `relativePitch`, in the module's model.
int32_t notePeriod(const PlayerState& s, uint8_t note, int16_t relativePitch);
extern const uint16_t EXP_TABLE_SEMI[16];

// Final volume, fade-out, envelopes and auto-vibrato of a channel with an instrument.
void processInstrument(PlayerState& s, ChannelRecord& ch);
// Effect L: puts both envelopes of the channel's instrument `ticks` ticks in.
void setEnvelopePositions(ChannelRecord& ch, uint32_t ticks);

}  // namespace mxm
