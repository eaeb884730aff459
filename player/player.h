// player.h — the module player's interface: load a packed module in place,
// start and stop its song, and advance it one tick at a time.
//
//   static mxm::PlayerState state;          // static storage: no allocation
//   mxm::loadModule(&state, moduleBytes);   // decodes the samples in place
//   mxm::startSong(0);
//   ... the render driver (audio/mixer.h) calls mxm::playerTick() between spans.
//
// The player keeps one state, the one given to the last loadModule; every other
// operation here works on it. Only the magic is checked: a module from an untrusted
// source must pass validateModule (validate.h) first.
#pragma once

#include <cstdint>

#include "player_state.h"

namespace mxm {

// Loads the module starting at `module` (writable; modified in place) into `state`
// and remembers `state`. Returns false when the magic is wrong (state left cleared).
bool loadModule(PlayerState* state, uint8_t* module);
// Starts the song at order position `orderPos`. Ignored while playing, and refused
// after a load that failed.
void startSong(uint32_t orderPos);
void stopSong();
void setMasterVolume(uint8_t value);
uint8_t getSyncValue();
// Low byte: row; high byte: order position.
uint16_t getPosition();

// The state remembered by the last loadModule (null before any).
PlayerState* currentState();

// One sequencer tick: rows, effects, instruments, and step/volume/pan for the mixer.
// Called only by the render driver while playing.
void playerTick();

// Pitch model.
uint32_t pitchExp(int16_t x);
int32_t clampPeriod(int32_t p);
uint16_t periodToStep(int32_t p);

}  // namespace mxm
