// mixer.h — the render driver and the integer mixer.
//
// renderFrames interleaves the sequencer's ticks (mxm::playerTick) with mixing at the
// tempo's exact spacing and writes `frameCount` frames of two signed 32-bit
// accumulators (left, right) to `destination`; convertToPcm16 narrows them to signed
// 16-bit little-endian samples clamped to ±OUTPUT_CLAMP. Both work on the player
// state they are given. Integer arithmetic only; allocates nothing.
//
//   static int32_t mix[2 * 1102];
//   audio::renderFrames(state, 1102, mix);
//   audio::convertToPcm16(mix, pcmBytes, 1102 * 4);
//
// Units: frames of 1/44,100 s; tick countdown in 1/256 frame; byte counts for PCM.
#pragma once

#include <cstdint>

#include "player/player_state.h"

namespace audio {

constexpr uint32_t TICK_NUMERATOR = 1411200000u;  // 44,100 × 256 × 125
constexpr int32_t OUTPUT_CLAMP = 32500;

// Overwrites 2 × frameCount accumulators at destination: silence unless `state` plays.
void renderFrames(mxm::PlayerState& state, uint32_t frameCount, int32_t* destination);
// Mixes every active voice of `state` into one span between ticks; returns
// destination + 2 × frameCount.
int32_t* mixSpan(mxm::PlayerState& state, uint32_t frameCount, int32_t* destination);
// Writes byteCount / 2 clamped signed 16-bit little-endian samples from as many accumulators.
void convertToPcm16(const int32_t* source, uint8_t* destination, uint32_t byteCount);

}  // namespace audio
