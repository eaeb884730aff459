// sound_ring.cpp — the headless backend's sound ring, without a device: the caller moves
// the play position, injects failures and reads back what was written.
#include "platform/headless/sound_ring_control.h"

#include <atomic>
#include <cstring>
#include <initializer_list>

#include "platform/sound_regions.h"

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
std::atomic<SoundResult> failResult[STEPS];
std::atomic<uint32_t> failTimes[STEPS];

std::atomic<uint32_t> opens{0}, releases{0}, getPositions{0}, locks{0}, unlocks{0}, plays{0}, restores{0};
std::atomic<uint32_t> lastLockOffset{0}, lastLockBytes{0};
std::atomic<uint64_t> unlockedBytes{0};

// Consumes one injected failure of `step`; OK when none is pending.
SoundResult injected(SoundStep step) {
    int i = static_cast<int>(step);
    uint32_t times = failTimes[i].load(std::memory_order_acquire);
    while (times > 0) {
        if (failTimes[i].compare_exchange_weak(times, times - 1, std::memory_order_acq_rel)) {
            return failResult[i].load(std::memory_order_relaxed);
        }
    }
    return SoundResult::OK;
}

}  // namespace

SoundRing* soundRingOpen() {
    opens.fetch_add(1, std::memory_order_relaxed);
    if (injected(SoundStep::OPEN) != SoundResult::OK || open.load()) return nullptr;
    open.store(true);
    return &theRing;
}

SoundResult soundRingGetPosition(SoundRing* ring, uint32_t* pos) {
    getPositions.fetch_add(1, std::memory_order_relaxed);
    if (ring == nullptr) return SoundResult::FAILED;
    if (SoundResult r = injected(SoundStep::GET_POSITION); r != SoundResult::OK) return r;
    *pos = playPos.load(std::memory_order_acquire);
    return SoundResult::OK;
}

SoundResult soundRingLock(SoundRing* ring, uint32_t offset, uint32_t bytes, SoundRegions* regions) {
    locks.fetch_add(1, std::memory_order_relaxed);
    lastLockOffset.store(offset, std::memory_order_relaxed);
    lastLockBytes.store(bytes, std::memory_order_relaxed);
    *regions = SoundRegions{nullptr, 0, nullptr, 0};
    if (ring == nullptr) return SoundResult::FAILED;
    if (SoundResult r = injected(SoundStep::LOCK); r != SoundResult::OK) return r;
    return splitRegions(ring->memory, offset, bytes, regions);
}

SoundResult soundRingUnlock(SoundRing* ring, const SoundRegions& regions) {
    unlocks.fetch_add(1, std::memory_order_relaxed);
    if (ring == nullptr) return SoundResult::FAILED;
    if (SoundResult r = injected(SoundStep::UNLOCK); r != SoundResult::OK) return r;
    unlockedBytes.fetch_add(uint64_t{regions.bytes1} + regions.bytes2, std::memory_order_release);
    return SoundResult::OK;
}

SoundResult soundRingPlayLooping(SoundRing* ring) {
    plays.fetch_add(1, std::memory_order_relaxed);
    if (ring == nullptr) return SoundResult::FAILED;
    if (SoundResult r = injected(SoundStep::PLAY); r != SoundResult::OK) return r;
    playing.store(true);
    return SoundResult::OK;
}

SoundResult soundRingRestore(SoundRing* ring) {
    restores.fetch_add(1, std::memory_order_relaxed);
    if (ring == nullptr) return SoundResult::FAILED;
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
        failResult[i].store(SoundResult::OK);
    }
    for (auto* c :
         {&opens, &releases, &getPositions, &locks, &unlocks, &plays, &restores, &lastLockOffset, &lastLockBytes}) {
        c->store(0);
    }
    unlockedBytes.store(0);
    std::memset(theRing.memory, 0xA5, sizeof theRing.memory);
}

void headlessSoundFail(SoundStep step, SoundResult result, uint32_t times) {
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
