// sound_ring.cpp — the SDL backend's sound ring, on SDL2's default audio output.
//
// The device is opened paused with our own format (SDL converts if the hardware
// differs); its callback copies from the ring at the play position and then moves
// the position on, so the position read by the writer is what the device has really
// taken.
//
// A lost device: when the sound server goes away (restarted, or its device unplugged),
// SDL stops the device and the callback is no longer called; the ring then answers
// LOST. Restoring closes what is left, starts SDL's audio afresh (its connection to the
// server went with the server) and opens the default output again, at most every
// REOPEN_MS while there is none; the ring comes back silent, its play position where
// the writer stands, so the song goes on after one silent turn of the ring, as at
// start-up.
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
    SDL_AudioDeviceID device;  // 0 while lost and not yet reopened
    bool locked;               // SDL's device lock is held by the writer (lock to unlock)
    bool playing;              // soundRingPlayLooping has been called
    bool audioUp;              // SDL's audio subsystem is initialised for the ring
    uint64_t lastReopenMs;
    char driver[32];  // SDL's audio driver of the first open, kept for reopening
};

namespace {

constexpr uint16_t CALLBACK_FRAMES = 512;  // about 11.6 ms a callback
constexpr uint64_t REOPEN_MS = 250;

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

// Starts SDL's audio and opens the default output for the ring, paused. False (and
// SDL's audio stopped again) when there is none.
bool openOutput(SoundRing* ring, const char* what) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        setError(what);
        return false;
    }
    // Reopening stays with this driver: falling back to another one while the server is
    // away would talk to another device (and fill stderr with its complaints). Pinned
    // before the device opens, since its thread reads the hints and SDL's list of them
    // is not safe to change beside a reader.
    const bool pinning = ring->driver[0] == '\0';
    if (pinning) {
        std::snprintf(ring->driver, sizeof ring->driver, "%s", SDL_GetCurrentAudioDriver());
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, ring->driver, SDL_HINT_OVERRIDE);
    }
    SDL_AudioSpec want = {};
    want.freq = static_cast<int>(SOUND_RATE_HZ);
    want.format = AUDIO_S16LSB;
    want.channels = 2;
    want.samples = CALLBACK_FRAMES;
    want.callback = consume;
    want.userdata = ring;
    SDL_AudioSpec have = {};
    ring->device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (ring->device == 0) {
        setError(what);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        if (pinning) {  // a later first open chooses afresh
            ring->driver[0] = '\0';
            SDL_ResetHint(SDL_HINT_AUDIODRIVER);
        }
        return false;
    }
    ring->audioUp = true;
    return true;
}

void closeOutput(SoundRing* ring) {
    if (ring->locked) SDL_UnlockAudioDevice(ring->device);
    ring->locked = false;
    if (ring->device != 0) SDL_CloseAudioDevice(ring->device);  // returns after the last callback has finished
    ring->device = 0;
    if (ring->audioUp) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    ring->audioUp = false;
}

bool lost(const SoundRing* ring) { return ring->playing && SDL_GetAudioDeviceStatus(ring->device) == SDL_AUDIO_STOPPED; }

}  // namespace

SoundRing* soundRingOpen() {
    lastError[0] = '\0';
    if (ringOpen) {
        std::snprintf(lastError, sizeof lastError, "the sound ring is already open");
        return nullptr;
    }
    theRing.playPos.store(0, std::memory_order_relaxed);
    theRing.writeEnd.store(0, std::memory_order_relaxed);
    theRing.locked = theRing.playing = theRing.audioUp = false;
    if (!openOutput(&theRing, "no sound device")) return nullptr;
    ringOpen = true;
    return &theRing;
}

SoundResult soundRingGetPosition(SoundRing* ring, uint32_t* playPos) {
    if (ring == nullptr) return SoundResult::FAILED;
    if (lost(ring)) return SoundResult::LOST;
    *playPos = ring->playPos.load(std::memory_order_acquire);
    return SoundResult::OK;
}

SoundResult soundRingLock(SoundRing* ring, uint32_t offset, uint32_t bytes, SoundRegions* regions) {
    if (ring == nullptr) {
        *regions = SoundRegions{nullptr, 0, nullptr, 0};
        return SoundResult::FAILED;
    }
    if (lost(ring)) {
        *regions = SoundRegions{nullptr, 0, nullptr, 0};
        return SoundResult::LOST;
    }
    // Released by soundRingUnlock, which the writer calls after every lock that did not
    // report a lost ring.
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
    ring->playing = true;
    SDL_PauseAudioDevice(ring->device, 0);
    return SoundResult::OK;
}

SoundResult soundRingRestore(SoundRing* ring) {
    if (ring == nullptr) return SoundResult::FAILED;
    if (!lost(ring)) return SoundResult::OK;
    // Not more often than this while the server is away: each try costs a connection.
    const uint64_t now = SDL_GetTicks64();
    if (ring->device == 0 && now - ring->lastReopenMs < REOPEN_MS) return SoundResult::LOST;
    ring->lastReopenMs = now;
    closeOutput(ring);
    if (!openOutput(ring, "the sound device is gone")) return SoundResult::LOST;
    // Silent from where the writer stands: it fills behind the new device as at start-up.
    std::memset(ring->memory, 0, SOUND_RING_BYTES);
    ring->playPos.store(ring->writeEnd.load(std::memory_order_relaxed), std::memory_order_release);
    SDL_PauseAudioDevice(ring->device, 0);
    return SoundResult::OK;
}

void soundRingRelease(SoundRing* ring) {
    if (ring == nullptr || !ringOpen) return;
    closeOutput(ring);
    ring->playing = false;
    ringOpen = false;
}

const char* soundRingLastError() { return lastError; }

}  // namespace platform
