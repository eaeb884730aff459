// sound_ring_control.h — controls of the headless sound ring, for tests and tools.
//
// The headless ring implements sound_ring.h without a device. Its play position moves
// only when the caller moves it (by default never, so a headless game stays
// deterministic); each step can be made to fail, the lost-buffer result included;
// and it counts the calls made on it. Every control may be used while another thread
// writes the ring.
//
//   platform::headlessSoundReset();
//   platform::headlessSoundFail(platform::SoundStep::LOCK, platform::SoundResult::LOST);
//   platform::headlessSoundAdvance(4416);            // the "device" has played 4,416 bytes
//   const uint8_t* bytes = platform::headlessSoundBytes();
//
// Units: bytes of the ring.
#pragma once

#include <cstdint>

#include "platform/sound_ring.h"

namespace platform {

enum class SoundStep { OPEN, GET_POSITION, LOCK, UNLOCK, PLAY, RESTORE, COUNT };

struct HeadlessSoundCounts {
    uint32_t opens;
    uint32_t releases;
    uint32_t getPositions;
    uint32_t locks;
    uint32_t unlocks;
    uint32_t plays;
    uint32_t restores;
    uint32_t lastLockOffset;
    uint32_t lastLockBytes;
    uint64_t unlockedBytes;  // sum of both region sizes over every unlock
};

// Back to the start: closed, not playing, position 0, counts 0, no failures. The ring
// memory is filled with a non-zero pattern, as a freshly made device buffer may hold.
void headlessSoundReset();
// The next `times` calls of `step` return `result` and do nothing else.
void headlessSoundFail(SoundStep step, SoundResult result, uint32_t times = 1);
void headlessSoundSetPlayPosition(uint32_t bytes);
// Moves the play position on by `bytes`, wrapping at the ring's end.
void headlessSoundAdvance(uint32_t bytes);
uint32_t headlessSoundPlayPosition();
bool headlessSoundIsOpen();
bool headlessSoundIsPlaying();
HeadlessSoundCounts headlessSoundCounts();
// The ring's memory. Bytes the writer has unlocked are visible once headlessSoundCounts
// has shown them in unlockedBytes.
const uint8_t* headlessSoundBytes();

}  // namespace platform
