// player.h — the module player's interface: load a packed module in place,
// start and stop its song, and advance it one tick at a time.
//
//   static mxm::PlayerState state;          // static storage: no allocation
//   mxm::loadModule(&state, moduleBytes);   // decodes the samples in place
//   mxm::startSong(state, 0);
//   ... the render driver (audio/mixer.h) calls mxm::playerTick(state) between spans.
//
// Every operation works on the state it is given; the player keeps none of its own,
// so several states can play side by side. Only the magic is checked: a module from
// an untrusted source must pass validateModule (validate.h) first.
//
// Units: periods in 1/256 semitone (linear model) or Amiga-style periods; steps in
// 1/1024 source point per output frame; volumes 0..64.
#pragma once

#include <cstdint>

#include "player/player_state.h"

namespace mxm {

// Loads the module starting at `module` (writable; modified in place) into `state`.
// Returns false when the magic is wrong (state left cleared).
bool loadModule(PlayerState* state, uint8_t* module);
// Starts the song at order position `orderPos`. Ignored while playing, and refused
// after a load that failed.
void startSong(PlayerState& state, uint32_t orderPos);
void stopSong(PlayerState& state);
void setMasterVolume(PlayerState& state, uint8_t value);
uint8_t getSyncValue(const PlayerState& state);
// Low byte: row; high byte: order position.
uint16_t getPosition(const PlayerState& state);

// One sequencer tick: rows, effects, instruments, and step/volume/pan for the mixer.
// Called only by the render driver while playing.
void playerTick(PlayerState& state);

// Pitch model; the period bounds and the model are the loaded module's.
uint32_t pitchExp(int16_t x);
int32_t clampPeriod(const PlayerState& state, int32_t p);
uint16_t periodToStep(const PlayerState& state, int32_t p);

}  // namespace mxm
