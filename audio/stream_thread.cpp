// stream_thread.cpp — the streaming thread: about every 25 ms, render exactly the bytes
// the play position has passed since the last visit and write them behind it, so each
// byte is written one ring length (371.5 ms) before it is heard.
#include "stream_thread.h"

#include <chrono>
#include <system_error>

#include "mixer.h"
#include "sound_output.h"

#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#elif defined(_WIN32)
#include <windows.h>
#endif

namespace audio {

namespace {

std::atomic<uint32_t> sleepMs{STREAM_SLEEP_MS};
std::atomic<void (*)(const SoundOutput&)> observer{nullptr};

bool stopRequested(const SoundOutput& out) { return out.stopRequests.load(std::memory_order_acquire) != 0; }

// The highest ordinary priority the system grants this thread (best effort). Real-time
// classes are not asked for: the thread sleeps most of the time and needs none.
void raiseThreadPriority() {
#if defined(__linux__)
    pid_t self = gettid();
    for (int nice = -20; nice < 0; ++nice) {
        if (setpriority(PRIO_PROCESS, static_cast<id_t>(self), nice) == 0) return;
    }
#elif defined(_WIN32)
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
#endif
}

}  // namespace

void setStreamSleepMs(uint32_t ms) { sleepMs.store(ms, std::memory_order_relaxed); }

void setStreamObserver(void (*fn)(const SoundOutput& output)) { observer.store(fn, std::memory_order_release); }

void startStreamThread(SoundOutput& out) {
    try {
        out.threadHandle = std::thread([] {
            raiseThreadPriority();
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
    out.lockPtr1 = nullptr;
    out.lockPtr2 = nullptr;

    uint32_t count;
    for (;;) {
        // Any failure other than a lost ring leaves playCursor as it was.
        while (platform::soundRingGetPosition(out.streamBuffer, &out.playCursor) == platform::SOUND_ERR_BUFFER_LOST) {
            if (stopRequested(out)) return false;
            platform::soundRingRestore(out.streamBuffer);
        }
        uint32_t target = out.playCursor & ~(CURSOR_ALIGN - 1);
        count = (target - out.writePos) % STREAM_BUFFER_BYTES;
        uint32_t offset = out.writePos;
        // The new position stands whatever the lock returns: a skipped stretch keeps its
        // old content and the next count starts from here.
        out.writePos = target;
        int32_t result = platform::soundRingLock(out.streamBuffer, offset, count, &out.lockPtr1, &out.lockBytes1,
                                                 &out.lockPtr2, &out.lockBytes2, 0);
        if (result == platform::SOUND_OK) break;
        out.lockPtr1 = nullptr;
        out.lockPtr2 = nullptr;
        if (result != platform::SOUND_ERR_BUFFER_LOST) break;
        if (stopRequested(out)) return false;
        platform::soundRingRestore(out.streamBuffer);
    }

    // Rendered even when nothing could be locked, so the song keeps time with the ring.
    renderFrames(out.player, count / platform::SOUND_FRAME_BYTES, out.mixBuffer);
    if (out.lockPtr1 != nullptr) convertToPcm16(out.mixBuffer, static_cast<uint8_t*>(out.lockPtr1), out.lockBytes1);
    if (out.lockPtr2 != nullptr) {
        convertToPcm16(out.mixBuffer + out.lockBytes1 / 2, static_cast<uint8_t*>(out.lockPtr2), out.lockBytes2);
    }
    platform::soundRingUnlock(out.streamBuffer, out.lockPtr1, out.lockBytes1, out.lockPtr2, out.lockBytes2);

    if (auto fn = observer.load(std::memory_order_acquire)) fn(out);
    return true;
}

}  // namespace audio
