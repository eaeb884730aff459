// sound_output.h — the music's control surface and its sound output.
//
// initPlayer clears the one SoundOutput, loads the module into its PlayerState, opens
// the sound ring (platform/sound/sound_ring.h), fills it with silence, starts it looping
// and starts the streaming thread, which from then on keeps the ring filled behind its
// play position with what renderFrames produces. The game calls it once and then
// startSong(0); without a sound device it stays silent.
//
//   audio::initPlayer(nullptr, assets::moduleData());   // -1: sounding, 0: silent
//   audio::startSong(0);
//   ...
//   audio::shutdownPlayer();                             // tools and tests only
//
// Units: byte offsets and counts in the ring (4 bytes a frame), frames of 1/44,100 s
// in mixBuffer, milliseconds for sleeps.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "player_state.h"
#include "sound_ring.h"
#include "stream_thread.h"  // the output comes with its thread's hooks

namespace audio {

constexpr uint32_t STREAM_BUFFER_BYTES = platform::SOUND_RING_BYTES;
constexpr uint32_t STREAM_SLEEP_MS = 25;
constexpr uint32_t CURSOR_ALIGN = 32;
constexpr uint32_t MIX_BUFFER_FRAMES = 65536;

struct SoundOutput {
    platform::SoundRing* streamBuffer;  // null until opened
    // Raised by shutdownPlayer; the streaming thread ends when it finds it nonzero.
    std::atomic<uint32_t> stopRequests;
    std::thread threadHandle;  // the streaming thread; not joinable until started
    // Regions of the most recent lock of the ring (ptr2 null when it did not wrap).
    void* lockPtr1;
    uint32_t lockBytes1;
    void* lockPtr2;
    uint32_t lockBytes2;
    uint32_t playCursor;  // play position last read from the ring (bytes)
    uint32_t writePos;    // ring offset up to which audio has been written; multiple of 32
    mxm::PlayerState player;
    int32_t mixBuffer[2 * MIX_BUFFER_FRAMES];  // left, right accumulators per frame
};

// The one sound output: static storage, never destroyed, since the game ends the
// process with the streaming thread still running.
extern SoundOutput& soundOutput;

// Returns -1 when the output sounds, 0 when a step of opening it failed (then nothing
// is left open and no thread runs). `window` is accepted for the caller's shape and
// not used. The module's magic is not required: a bad module plays silence.
int32_t initPlayer(void* window, uint8_t* moduleData);
// Starts the song of the sound output's player at order position `orderPos`; called
// by the game after initPlayer.
void startSong(uint32_t orderPos);
// Asks the streaming thread to stop, waits until it has ended, then releases the ring.
// A second call does nothing more.
void shutdownPlayer();

}  // namespace audio
