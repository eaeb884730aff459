// stream_thread.cpp — the streaming thread: about every 25 ms, render exactly the bytes
// the play position has passed since the last visit and write them behind it, so each
// byte is written one ring length (371.5 ms) before it is heard.
#include "audio/stream_thread.h"

#include <chrono>
#include <system_error>

#include "audio/mixer.h"
#include "audio/sound_output.h"
#include "platform/platform.h"

namespace audio {

namespace {

using platform::SoundResult;

std::atomic<uint32_t> sleepMs{STREAM_SLEEP_MS};
std::atomic<void (*)(const SoundOutput&, uint32_t)> observer{nullptr};

bool stopRequested(const SoundOutput& out) { return out.stopRequests.load(std::memory_order_acquire) != 0; }

}  // namespace

void setStreamSleepMs(uint32_t ms) { sleepMs.store(ms, std::memory_order_relaxed); }

void setStreamObserver(void (*fn)(const SoundOutput& output, uint32_t frames)) {
    observer.store(fn, std::memory_order_release);
}

void startStreamThread(SoundOutput& out) {
    try {
        out.threadHandle = std::thread([] {
            platform::raiseThreadPriority();
            streamThread();
        });
    } catch (const std::system_error&) {
        // Left silent: the ring loops the silence written at start.
    }
}

void streamThread() {
    while (streamIteration()) {
    }
}

bool streamIteration() {
    SoundOutput& out = soundOutput;
    if (stopRequested(out)) return false;
    if (uint32_t ms = sleepMs.load(std::memory_order_relaxed)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }

    uint32_t count;
    platform::SoundRegions regions;
    for (;;) {
        // A lost ring is restored and the position read again; while the device stays
        // gone the iteration ends here, to try again after the next sleep, the song
        // waiting where it stands. Any other failure leaves playCursor as it was.
        while (platform::soundRingGetPosition(out.streamBuffer, &out.playCursor) == SoundResult::LOST) {
            if (stopRequested(out)) return false;
            if (platform::soundRingRestore(out.streamBuffer) != SoundResult::OK) return true;
        }
        const uint32_t target = out.playCursor & ~(CURSOR_ALIGN - 1);
        count = (target - out.writePos) % STREAM_BUFFER_BYTES;
        const uint32_t offset = out.writePos;
        // The new position stands whatever the lock returns: a skipped stretch keeps its
        // old content and the next count starts from here.
        out.writePos = target;
        const SoundResult result = platform::soundRingLock(out.streamBuffer, offset, count, &regions);
        if (result == SoundResult::OK) break;
        regions = platform::SoundRegions{nullptr, 0, nullptr, 0};
        if (result != SoundResult::LOST) break;
        out.writePos = offset;  // nothing was written: a restored ring starts from here
        if (stopRequested(out)) return false;
        if (platform::soundRingRestore(out.streamBuffer) != SoundResult::OK) return true;
    }

    // Rendered even when nothing could be locked, so the song keeps time with the ring.
    const uint32_t frames = count / platform::SOUND_FRAME_BYTES;
    renderFrames(out.player, frames, out.mixBuffer);
    if (regions.ptr1 != nullptr) convertToPcm16(out.mixBuffer, regions.ptr1, regions.bytes1);
    if (regions.ptr2 != nullptr) convertToPcm16(out.mixBuffer + regions.bytes1 / 2, regions.ptr2, regions.bytes2);
    platform::soundRingUnlock(out.streamBuffer, regions);

    if (auto fn = observer.load(std::memory_order_acquire)) fn(out, frames);
    return true;
}

}  // namespace audio
