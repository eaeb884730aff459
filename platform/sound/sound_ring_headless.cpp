// sound_ring_headless.cpp — the sound ring without a device: the caller moves the play
// position, injects failures and reads back what was written.
#include "sound_ring_headless.h"

#include <atomic>
#include <cstring>

#include "ring_regions.h"

namespace platform {

struct SoundRing {
    uint8_t memory[SOUND_RING_BYTES];
};

namespace {

constexpr int STEPS = static_cast<int>(SoundStep::COUNT);

SoundRing theRing;
std::atomic<uint32_t> playPos{0};
std::atomic<bool> open{false};
std::atomic<bool> playing{false};
std::atomic<int32_t> failResult[STEPS];
std::atomic<uint32_t> failTimes[STEPS];

std::atomic<uint32_t> opens{0}, releases{0}, getPositions{0}, locks{0}, unlocks{0}, plays{0}, restores{0};
std::atomic<uint32_t> lastLockOffset{0}, lastLockBytes{0};
std::atomic<uint64_t> unlockedBytes{0};

// Consumes one injected failure of `step`; SOUND_OK when none is pending.
int32_t injected(SoundStep step) {
    int i = static_cast<int>(step);
    uint32_t times = failTimes[i].load(std::memory_order_acquire);
    while (times > 0) {
        if (failTimes[i].compare_exchange_weak(times, times - 1, std::memory_order_acq_rel)) {
            return failResult[i].load(std::memory_order_relaxed);
        }
    }
    return SOUND_OK;
}

}  // namespace

int32_t soundRingOpen(SoundRing** ring) {
    *ring = nullptr;
    opens.fetch_add(1, std::memory_order_relaxed);
    if (int32_t r = injected(SoundStep::OPEN)) return r;
    if (open.load()) return SOUND_ERR_FAILED;
    open.store(true);
    *ring = &theRing;
    return SOUND_OK;
}

int32_t soundRingGetPosition(SoundRing* ring, uint32_t* pos) {
    getPositions.fetch_add(1, std::memory_order_relaxed);
    if (ring == nullptr) return SOUND_ERR_INVALID;
    if (int32_t r = injected(SoundStep::GET_POSITION)) return r;
    *pos = playPos.load(std::memory_order_acquire);
    return SOUND_OK;
}

int32_t soundRingLock(SoundRing* ring, uint32_t offset, uint32_t bytes, void** ptr1, uint32_t* bytes1, void** ptr2,
                      uint32_t* bytes2, uint32_t flags) {
    locks.fetch_add(1, std::memory_order_relaxed);
    lastLockOffset.store(offset, std::memory_order_relaxed);
    lastLockBytes.store(bytes, std::memory_order_relaxed);
    *ptr1 = *ptr2 = nullptr;
    *bytes1 = *bytes2 = 0;
    if (ring == nullptr) return SOUND_ERR_INVALID;
    if (int32_t r = injected(SoundStep::LOCK)) return r;
    return ring_detail::splitRegions(ring->memory, offset, bytes, flags, ptr1, bytes1, ptr2, bytes2);
}

int32_t soundRingUnlock(SoundRing* ring, void*, uint32_t bytes1, void*, uint32_t bytes2) {
    unlocks.fetch_add(1, std::memory_order_relaxed);
    if (ring == nullptr) return SOUND_ERR_INVALID;
    if (int32_t r = injected(SoundStep::UNLOCK)) return r;
    unlockedBytes.fetch_add(uint64_t{bytes1} + bytes2, std::memory_order_release);
    return SOUND_OK;
}

int32_t soundRingPlayLooping(SoundRing* ring) {
    plays.fetch_add(1, std::memory_order_relaxed);
    if (ring == nullptr) return SOUND_ERR_INVALID;
    if (int32_t r = injected(SoundStep::PLAY)) return r;
    playing.store(true);
    return SOUND_OK;
}

int32_t soundRingRestore(SoundRing* ring) {
    restores.fetch_add(1, std::memory_order_relaxed);
    if (ring == nullptr) return SOUND_ERR_INVALID;
    return injected(SoundStep::RESTORE);
}

void soundRingRelease(SoundRing* ring) {
    if (ring == nullptr) return;
    releases.fetch_add(1, std::memory_order_relaxed);
    playing.store(false);
    open.store(false);
}

const char* soundRingLastError() { return ""; }

void headlessSoundReset() {
    playPos.store(0);
    open.store(false);
    playing.store(false);
    for (int i = 0; i < STEPS; ++i) {
        failTimes[i].store(0);
        failResult[i].store(SOUND_OK);
    }
    for (auto* c :
         {&opens, &releases, &getPositions, &locks, &unlocks, &plays, &restores, &lastLockOffset, &lastLockBytes}) {
        c->store(0);
    }
    unlockedBytes.store(0);
    std::memset(theRing.memory, 0xA5, sizeof theRing.memory);
}

void headlessSoundFail(SoundStep step, int32_t result, uint32_t times) {
    int i = static_cast<int>(step);
    failResult[i].store(result, std::memory_order_relaxed);
    failTimes[i].store(times, std::memory_order_release);
}

void headlessSoundSetPlayPosition(uint32_t bytes) {
    playPos.store(bytes % SOUND_RING_BYTES, std::memory_order_release);
}

void headlessSoundAdvance(uint32_t bytes) {
    uint32_t pos = playPos.load(std::memory_order_relaxed);
    playPos.store((pos + bytes) % SOUND_RING_BYTES, std::memory_order_release);
}

uint32_t headlessSoundPlayPosition() { return playPos.load(std::memory_order_acquire); }
bool headlessSoundIsOpen() { return open.load(); }
bool headlessSoundIsPlaying() { return playing.load(); }

HeadlessSoundCounts headlessSoundCounts() {
    HeadlessSoundCounts c;
    c.opens = opens.load();
    c.releases = releases.load();
    c.getPositions = getPositions.load();
    c.locks = locks.load();
    c.unlocks = unlocks.load();
    c.plays = plays.load();
    c.restores = restores.load();
    c.lastLockOffset = lastLockOffset.load();
    c.lastLockBytes = lastLockBytes.load();
    c.unlockedBytes = unlockedBytes.load(std::memory_order_acquire);
    return c;
}

const uint8_t* headlessSoundBytes() { return theRing.memory; }

}  // namespace platform
