// sound_ring.h — the looping output ring of the sound device.
//
// One output at 44,100 Hz, stereo, signed 16-bit little-endian (4 bytes a frame), fed
// from a looping ring of SOUND_RING_BYTES whose play position can be read. The device
// consumes the ring at the play position and moves it on; the writer fills the stretch
// the play position has left behind, through lock and unlock of one or two regions.
// Every call returns SOUND_OK (0) or an error code; nothing here crashes or blocks on a
// missing device: no device simply means soundRingOpen fails and the caller stays silent.
//
//   platform::SoundRing* ring = nullptr;
//   if (platform::soundRingOpen(&ring) != platform::SOUND_OK) return;   // silent
//   void* p1; uint32_t n1; void* p2; uint32_t n2;
//   platform::soundRingLock(ring, 0, 0, &p1, &n1, &p2, &n2, platform::SOUND_LOCK_ENTIRE);
//   ... fill p1 (n1 bytes) and p2 (n2 bytes) ...
//   platform::soundRingUnlock(ring, p1, n1, p2, n2);
//   platform::soundRingPlayLooping(ring);
//   uint32_t playPos; platform::soundRingGetPosition(ring, &playPos);
//   platform::soundRingRelease(ring);
//
// Two backends with the same calls, chosen at link time: skarvo_sound_ring_sdl (the
// default output device; the audio callback advances the play position) and
// skarvo_sound_ring_headless (the caller moves the play position; see
// sound_ring_headless.h). There is one ring per process.
//
// Threads: open, play-looping and release on one thread; get-position, lock, unlock
// and restore on one (possibly other) thread that writes only behind the play position.
//
// Units: byte offsets and byte counts in the ring; one frame is 4 bytes.
#pragma once

#include <cstdint>

namespace platform {

struct SoundRing;

constexpr uint32_t SOUND_RING_BYTES = 65536;
constexpr uint32_t SOUND_RATE_HZ = 44100;
constexpr uint32_t SOUND_FRAME_BYTES = 4;

constexpr int32_t SOUND_OK = 0;
// The ring's memory was lost: call soundRingRestore, then read the position again.
constexpr int32_t SOUND_ERR_BUFFER_LOST = static_cast<int32_t>(0x88780096u);
constexpr int32_t SOUND_ERR_INVALID = static_cast<int32_t>(0x80070057u);
constexpr int32_t SOUND_ERR_NO_DEVICE = static_cast<int32_t>(0x88780078u);
constexpr int32_t SOUND_ERR_FAILED = static_cast<int32_t>(0x80004005u);

// Lock flag: ignore offset and byte count and lock the whole ring.
constexpr uint32_t SOUND_LOCK_ENTIRE = 2;

// Opens the default output and makes the ring; it does not sound until
// soundRingPlayLooping. On failure *ring stays null and nothing is left open.
int32_t soundRingOpen(SoundRing** ring);
// The play position in bytes, 0 .. SOUND_RING_BYTES - 1. On failure *playPos is untouched.
int32_t soundRingGetPosition(SoundRing* ring, uint32_t* playPos);
// Locks `bytes` bytes from `offset` on, wrapping at the ring's end: region one runs from
// offset towards the end, region two (null when the range does not wrap) from offset 0.
// A count of 0 gives an empty region one. On failure the four outputs are null / 0.
int32_t soundRingLock(SoundRing* ring, uint32_t offset, uint32_t bytes, void** ptr1, uint32_t* bytes1, void** ptr2,
                      uint32_t* bytes2, uint32_t flags);
// Hands the locked regions back to the device.
int32_t soundRingUnlock(SoundRing* ring, void* ptr1, uint32_t bytes1, void* ptr2, uint32_t bytes2);
// Starts the device: it plays the ring endlessly from the current play position (0 at first).
int32_t soundRingPlayLooping(SoundRing* ring);
// Makes a lost ring usable again (its content is whatever it was).
int32_t soundRingRestore(SoundRing* ring);
// Stops and closes the device and frees the ring; the pointer is invalid afterwards.
void soundRingRelease(SoundRing* ring);
// A short text for the last failure of soundRingOpen ("" when none).
const char* soundRingLastError();

}  // namespace platform
