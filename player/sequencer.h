// sequencer.h — the player's internal routines, shared by the sequencer, the effect
// commands and the instrument processing. Not part of the player's interface.
//
// Effect dispatch: one table of 136 actions in four groups, indexed by command
// number plus group base: effect row actions (0..51), effect tick actions (52..103),
// volume-column row actions (104..119), volume-column tick actions (120..135).
// An empty entry is null.
//
//   if (Action a = ACTIONS[TICK_EFFECT + ch.effect]) a(state, ch);
//
// Units: periods in 1/256 semitone (linear) or Amiga-style periods; volumes 0..64.
#pragma once

#include <array>
#include <cstdint>

#include "player_state.h"

namespace mxm {

using Action = void (*)(PlayerState& s, ChannelRecord& ch);

constexpr int EFFECT_COUNT = 0x34;  // 0-9, A-Z, E0-EF
constexpr int ROW_EFFECT = 0;
constexpr int TICK_EFFECT = ROW_EFFECT + EFFECT_COUNT;
constexpr int ROW_VOLUME = TICK_EFFECT + EFFECT_COUNT;
constexpr int TICK_VOLUME = ROW_VOLUME + 16;
constexpr int ACTION_COUNT = TICK_VOLUME + 16;
static_assert(ACTION_COUNT == 136);

extern const std::array<Action, ACTION_COUNT> ACTIONS;

// Effect numbers the sequencer itself looks at.
constexpr uint8_t EFFECT_TONE_PORTA = 0x03;
constexpr uint8_t EFFECT_TONE_PORTA_VOLSLIDE = 0x05;
constexpr uint8_t EFFECT_SAMPLE_OFFSET = 0x09;
constexpr uint8_t EFFECT_KEY_OFF = 0x14;
constexpr uint8_t EFFECT_NOTE_DELAY = 0x31;

// Starts the note and/or instrument of the cell fields of `s` on channel `ch`.
void triggerNote(PlayerState& s, ChannelRecord& ch);

// Period of `note` (1..96) with the relative pitch `relativePitch`, in the module's model.
int32_t notePeriod(const PlayerState& s, uint8_t note, int16_t relativePitch);
// clampPeriod on a given state.
int32_t clampPeriodIn(const PlayerState& s, int32_t p);
// periodToStep on a given state.
uint16_t periodToStepIn(const PlayerState& s, int32_t p);
extern const uint16_t EXP_TABLE_SEMI[16];

// Final volume, fade-out, envelopes and auto-vibrato of a channel with an instrument.
void processInstrument(PlayerState& s, ChannelRecord& ch);
// Effect L: puts both envelopes of the channel's instrument `ticks` ticks in.
void setEnvelopePositions(ChannelRecord& ch, uint32_t ticks);

}  // namespace mxm
