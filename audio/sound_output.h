// sound_output.h — the music's control interface and its sound output.
//
// initPlayer clears the one SoundOutput, loads the module into its PlayerState, opens
// the sound ring (platform/sound_ring.h), fills it with silence, starts it looping and
// starts the streaming thread, which from then on keeps the ring filled behind its play
// position with what renderFrames produces. The game calls it once, then startSong(0);
// without a sound device it stays silent.
//
//   audio::initPlayer(assets::moduleData());   // true: sounding, false: silent
//   audio::startSong(0);
//   ...
//   audio::shutdownPlayer();                   // tools and tests only
//
// Units: byte offsets and counts in the ring (4 bytes a frame), frames of 1/44,100 s
// in mixBuffer, milliseconds for sleeps.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "audio/stream_thread.h"  // the output comes with its thread's hooks
#include "platform/sound_ring.h"
#include "player/player_state.h"

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
    uint32_t playCursor;       // play position last read from the ring (bytes)
    uint32_t writePos;         // ring offset up to which audio has been written; multiple of 32
    mxm::PlayerState player;
    int32_t mixBuffer[2 * MIX_BUFFER_FRAMES];  // left, right accumulators per frame
};

// The one sound output: static storage, never destroyed, since the game ends the
// process with the streaming thread still running.
extern SoundOutput& soundOutput;

// True when the output sounds; false when a step of opening it failed (then nothing is
// left open and no thread runs). The module's magic is not required: a bad module
// plays silence.
bool initPlayer(uint8_t* moduleData);
// Starts the song at order position `orderPos`; from then on it plays by itself on the
// streaming thread (or silently keeps time with nothing, without a device).
void startSong(uint32_t orderPos);
// Asks the streaming thread to stop, waits until it has ended, then releases the ring.
// A second call does nothing more.
void shutdownPlayer();

}  // namespace audio
