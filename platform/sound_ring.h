// sound_ring.h — the looping output ring of the sound device.
//
// One output at 44,100 Hz, stereo, signed 16-bit little-endian (4 bytes a frame), fed
// from a looping ring of SOUND_RING_BYTES whose play position can be read. The device
// consumes the ring at the play position and moves it on; the writer fills the stretch
// the play position has left behind, through lock and unlock of one or two regions.
// Nothing here crashes or blocks on a missing device: no device means soundRingOpen
// fails and the caller stays silent.
//
//   platform::SoundRing* ring = platform::soundRingOpen();
//   if (!ring) return;                                    // silent; soundRingLastError() says why
//   platform::SoundRegions r;
//   if (platform::soundRingLock(ring, 0, platform::SOUND_RING_BYTES, &r) == platform::SoundResult::OK) {
//       ... fill r.ptr1 (r.bytes1 bytes) and r.ptr2 (r.bytes2 bytes) ...
//       platform::soundRingUnlock(ring, r);
//   }
//   platform::soundRingPlayLooping(ring);
//   uint32_t playPos; platform::soundRingGetPosition(ring, &playPos);
//
// Threads: open, play-looping and release on one thread; get-position, lock, unlock and
// restore on one (possibly other) thread that writes only behind the play position.
//
// Units: byte offsets and byte counts in the ring; one frame is 4 bytes.
#pragma once

#include <cstdint>

namespace platform {

struct SoundRing;

constexpr uint32_t SOUND_RING_BYTES = 65536;
constexpr uint32_t SOUND_RATE_HZ = 44100;
constexpr uint32_t SOUND_FRAME_BYTES = 4;

enum class SoundResult {
    OK,
    LOST,    // the ring's device was lost: soundRingRestore, then read the position again
    FAILED,  // the call did nothing (a bad argument, or the device refused)
};

// The one or two regions of a lock: ptr1 from the offset towards the ring's end, ptr2
// (null when the range does not wrap) from the ring's start.
struct SoundRegions {
    uint8_t* ptr1;
    uint32_t bytes1;
    uint8_t* ptr2;
    uint32_t bytes2;
};

// Opens the default output and makes the ring, silent until soundRingPlayLooping. Null
// on failure, with nothing left open.
SoundRing* soundRingOpen();
// The play position in bytes, 0 .. SOUND_RING_BYTES - 1. Untouched unless OK.
SoundResult soundRingGetPosition(SoundRing* ring, uint32_t* playPos);
// Locks `bytes` bytes (at most SOUND_RING_BYTES) from `offset` on, wrapping at the
// ring's end; a count of 0 gives an empty region one. Unless OK, the regions are empty.
SoundResult soundRingLock(SoundRing* ring, uint32_t offset, uint32_t bytes, SoundRegions* regions);
// Hands the locked regions back to the device.
SoundResult soundRingUnlock(SoundRing* ring, const SoundRegions& regions);
// Starts the device: it plays the ring endlessly from the current play position (0 at first).
SoundResult soundRingPlayLooping(SoundRing* ring);
// Makes a lost ring usable again (its content is whatever it was). LOST while the
// device is still gone.
SoundResult soundRingRestore(SoundRing* ring);
// Stops and closes the device and frees the ring; the pointer is invalid afterwards.
void soundRingRelease(SoundRing* ring);
// A short text for the last failure of the ring ("" when none).
const char* soundRingLastError();

}  // namespace platform
