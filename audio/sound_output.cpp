// sound_output.cpp — opening and closing the sound output around the streaming thread.
#include "audio/sound_output.h"

#include <cstring>
#include <new>

#include "player/player.h"

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

bool failInit() {
    shutdownPlayer();
    return false;
}

}  // namespace

SoundOutput& soundOutput = holder.output;

bool initPlayer(uint8_t* moduleData) {
    SoundOutput& out = soundOutput;
    // Called once by the game; a caller that opens twice gets the first output closed.
    if (out.threadHandle.joinable() || out.streamBuffer != nullptr) shutdownPlayer();

    // Clear everything, the player state and the mix buffer included.
    new (&out) SoundOutput{};

    // A module without the magic leaves the state cleared: the output plays silence.
    mxm::loadModule(&out.player, moduleData);

    out.streamBuffer = platform::soundRingOpen();
    if (out.streamBuffer == nullptr) return failInit();

    platform::SoundRegions silence;
    if (platform::soundRingLock(out.streamBuffer, 0, STREAM_BUFFER_BYTES, &silence) != platform::SoundResult::OK)
        return failInit();
    if (silence.ptr1 != nullptr) std::memset(silence.ptr1, 0, silence.bytes1);
    if (silence.ptr2 != nullptr) std::memset(silence.ptr2, 0, silence.bytes2);
    if (platform::soundRingUnlock(out.streamBuffer, silence) != platform::SoundResult::OK) return failInit();

    // The ring now sounds silence from offset 0 while writePos is 0.
    if (platform::soundRingPlayLooping(out.streamBuffer) != platform::SoundResult::OK) return failInit();

    // A thread that cannot be started is not a failure: the ring keeps looping silence.
    startStreamThread(out);
    return true;
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
