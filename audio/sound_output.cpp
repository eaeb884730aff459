// sound_output.cpp — opening and closing the sound output around the streaming thread.
#include "sound_output.h"

#include <cstring>
#include <new>
#include <system_error>

#include "player.h"
#include "stream_thread.h"

namespace audio {

namespace {

// Keeps the record out of the exit-time destructors: destroying a running thread's
// handle would abort the process, and the thread may still be using the record.
union Holder {
    SoundOutput output;
    Holder() : output{} {}
    ~Holder() {}
};
Holder holder;

}  // namespace

SoundOutput& soundOutput = holder.output;

namespace {

int32_t failInit() {
    shutdownPlayer();
    return 0;
}

}  // namespace

int32_t initPlayer(void* /*window*/, uint8_t* moduleData) {
    SoundOutput& out = soundOutput;
    // Called once by the game; a caller that opens twice gets the first output closed.
    if (out.threadHandle.joinable() || out.streamBuffer != nullptr) shutdownPlayer();

    // Clear everything, the player state and the mix buffer included.
    new (&out) SoundOutput{};

    // A module without the magic leaves the state cleared: the output plays silence.
    mxm::loadModule(&out.player, moduleData);

    if (platform::soundRingOpen(&out.streamBuffer) != platform::SOUND_OK) return failInit();

    if (platform::soundRingLock(out.streamBuffer, 0, 0, &out.lockPtr1, &out.lockBytes1, &out.lockPtr2, &out.lockBytes2,
                                platform::SOUND_LOCK_ENTIRE) != platform::SOUND_OK) {
        return failInit();
    }
    if (out.lockPtr1 != nullptr) std::memset(out.lockPtr1, 0, out.lockBytes1);
    if (out.lockPtr2 != nullptr) std::memset(out.lockPtr2, 0, out.lockBytes2);
    if (platform::soundRingUnlock(out.streamBuffer, out.lockPtr1, out.lockBytes1, out.lockPtr2, out.lockBytes2) !=
        platform::SOUND_OK) {
        return failInit();
    }

    // The ring now sounds silence from offset 0 while writePos is 0.
    if (platform::soundRingPlayLooping(out.streamBuffer) != platform::SOUND_OK) return failInit();

    // A thread that cannot be started is not a failure: the ring keeps looping silence.
    startStreamThread(out);
    return -1;
}

void startSong(uint32_t orderPos) { mxm::startSong(soundOutput.player, orderPos); }

void shutdownPlayer() {
    SoundOutput& out = soundOutput;
    out.stopRequests.fetch_add(1, std::memory_order_release);
    // The thread ends within one iteration (a lost ring being restored included); the
    // ring must outlive it, so wait as long as that takes.
    if (out.threadHandle.joinable()) out.threadHandle.join();
    if (out.streamBuffer != nullptr) {
        platform::soundRingRelease(out.streamBuffer);
        out.streamBuffer = nullptr;  // a second call releases nothing
    }
}

}  // namespace audio
