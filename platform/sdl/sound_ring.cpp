// sound_ring.cpp — the SDL backend's sound ring, on SDL2's default audio output.
//
// The device is opened paused with our own format (SDL converts if the hardware
// differs); its callback copies from the ring at the play position and then moves
// the position on, so the position read by the writer is what the device has really
// taken. Lost buffers do not happen here: restore does nothing.
//
// Sharing between the writer and the callback: the callback publishes the play
// position with release order after copying, and the writer reads it with acquire
// order. Lock to unlock holds SDL's device lock, which the callback also runs under,
// so even a writer that has fallen a whole ring behind never writes bytes while the
// callback copies them; the hold is short (one render request, well under a
// millisecond), far inside the callback's 11.6 ms period.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "platform/sound_regions.h"
#include "platform/sound_ring.h"

namespace platform {

struct SoundRing {
    uint8_t memory[SOUND_RING_BYTES];
    std::atomic<uint32_t> playPos;   // written by the callback only
    std::atomic<uint32_t> writeEnd;  // written by unlock only; publishes the ring's bytes
    SDL_AudioDeviceID device;
    bool locked;  // SDL's device lock is held by the writer (lock to unlock)
};

namespace {

constexpr uint16_t CALLBACK_FRAMES = 512;  // about 11.6 ms a callback

SoundRing theRing;
bool ringOpen = false;
char lastError[200] = "";

void setError(const char* what) { std::snprintf(lastError, sizeof lastError, "%s: %s", what, SDL_GetError()); }

void SDLCALL consume(void* userdata, Uint8* stream, int len) {
    SoundRing* ring = static_cast<SoundRing*>(userdata);
    (void)ring->writeEnd.load(std::memory_order_acquire);
    uint32_t pos = ring->playPos.load(std::memory_order_relaxed);
    uint32_t left = len > 0 ? static_cast<uint32_t>(len) : 0;
    while (left > 0) {
        uint32_t n = std::min(left, SOUND_RING_BYTES - pos);
        std::memcpy(stream, ring->memory + pos, n);
        stream += n;
        left -= n;
        pos = (pos + n) % SOUND_RING_BYTES;
    }
    ring->playPos.store(pos, std::memory_order_release);
}

}  // namespace

SoundRing* soundRingOpen() {
    lastError[0] = '\0';
    if (ringOpen) {
        std::snprintf(lastError, sizeof lastError, "the sound ring is already open");
        return nullptr;
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        setError("no audio");
        return nullptr;
    }
    theRing.playPos.store(0, std::memory_order_relaxed);
    theRing.writeEnd.store(0, std::memory_order_relaxed);
    theRing.locked = false;
    SDL_AudioSpec want = {};
    want.freq = static_cast<int>(SOUND_RATE_HZ);
    want.format = AUDIO_S16LSB;
    want.channels = 2;
    want.samples = CALLBACK_FRAMES;
    want.callback = consume;
    want.userdata = &theRing;
    SDL_AudioSpec have = {};
    theRing.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (theRing.device == 0) {
        setError("no sound device");
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    ringOpen = true;
    return &theRing;
}

SoundResult soundRingGetPosition(SoundRing* ring, uint32_t* playPos) {
    if (ring == nullptr) return SoundResult::FAILED;
    *playPos = ring->playPos.load(std::memory_order_acquire);
    return SoundResult::OK;
}

SoundResult soundRingLock(SoundRing* ring, uint32_t offset, uint32_t bytes, SoundRegions* regions) {
    if (ring == nullptr) {
        *regions = SoundRegions{nullptr, 0, nullptr, 0};
        return SoundResult::FAILED;
    }
    // Released by soundRingUnlock, which the writer calls after every lock that did not
    // report a lost ring (this ring never does).
    if (!ring->locked) SDL_LockAudioDevice(ring->device);
    ring->locked = true;
    return splitRegions(ring->memory, offset, bytes, regions);
}

SoundResult soundRingUnlock(SoundRing* ring, const SoundRegions& regions) {
    if (ring == nullptr) return SoundResult::FAILED;
    const uint32_t start = regions.ptr1 ? static_cast<uint32_t>(regions.ptr1 - ring->memory) : 0;
    ring->writeEnd.store((start + regions.bytes1 + regions.bytes2) % SOUND_RING_BYTES, std::memory_order_release);
    if (ring->locked) SDL_UnlockAudioDevice(ring->device);
    ring->locked = false;
    return SoundResult::OK;
}

SoundResult soundRingPlayLooping(SoundRing* ring) {
    if (ring == nullptr) return SoundResult::FAILED;
    SDL_PauseAudioDevice(ring->device, 0);
    return SoundResult::OK;
}

SoundResult soundRingRestore(SoundRing* ring) { return ring == nullptr ? SoundResult::FAILED : SoundResult::OK; }

void soundRingRelease(SoundRing* ring) {
    if (ring == nullptr || !ringOpen) return;
    if (ring->locked) SDL_UnlockAudioDevice(ring->device);
    ring->locked = false;
    SDL_CloseAudioDevice(ring->device);  // returns after the last callback has finished
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    ring->device = 0;
    ringOpen = false;
}

const char* soundRingLastError() { return lastError; }

}  // namespace platform
