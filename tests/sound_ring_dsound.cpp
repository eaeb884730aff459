// The DirectSound ring under Wine. Without a device (the sound server pointing
// nowhere): open fails, says which step, leaves nothing behind, and the game's output
// stays silent. On a device (where a sound server answers, else these cases skip): the
// ring's regions, its moving play position, a lost ring, and the streaming thread
// writing the song into it.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "assets/embedded.h"
#include "audio/sound_output.h"
#include "platform/sound_ring.h"

namespace {

using platform::SOUND_RING_BYTES;
using platform::SoundRegions;
using platform::SoundResult;

// Waits (bounded, only against a hang) until `done` holds.
bool waitFor(const std::function<bool()>& done) {
    for (int ms = 0; ms < 20000 && !done(); ms += 5) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return done();
}

TEST(DsoundWithoutDevice, OpenFailsSaysWhichStepAndLeavesNothing) {
    // A failed open leaves nothing open: the next one fails the same way, not as a second ring.
    std::string firstError;
    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE(attempt);
        EXPECT_EQ(platform::soundRingOpen(), nullptr);
        EXPECT_NE(std::strstr(platform::soundRingLastError(), "failed (0x"), nullptr) << platform::soundRingLastError();
        if (attempt == 0) firstError = platform::soundRingLastError();
        EXPECT_EQ(platform::soundRingLastError(), firstError);
    }
    uint8_t byte = 0;
    SoundRegions r{&byte, 1, &byte, 1};
    uint32_t pos = 7;
    EXPECT_EQ(platform::soundRingLock(nullptr, 0, 64, &r), SoundResult::FAILED);
    EXPECT_TRUE(r.ptr1 == nullptr && r.ptr2 == nullptr && r.bytes1 == 0 && r.bytes2 == 0);
    EXPECT_EQ(platform::soundRingGetPosition(nullptr, &pos), SoundResult::FAILED);
    EXPECT_EQ(pos, 7u);
    platform::soundRingRelease(nullptr);
}

TEST(DsoundWithoutDevice, TheGameStaysSilentWithNoThread) {
    EXPECT_FALSE(audio::initPlayer(assets::moduleData()));
    EXPECT_EQ(audio::soundOutput.streamBuffer, nullptr);
    EXPECT_FALSE(audio::soundOutput.threadHandle.joinable());
    audio::shutdownPlayer();
}

class DsoundOnDevice : public ::testing::Test {
  protected:
    void SetUp() override {
        ring = platform::soundRingOpen();
        if (!ring) GTEST_SKIP() << "no sound device: " << platform::soundRingLastError();
    }
    void TearDown() override { platform::soundRingRelease(ring); }
    platform::SoundRing* ring = nullptr;
};

TEST_F(DsoundOnDevice, LocksHandOutTheRingsRegionsAndKeepWhatWasWritten) {
    EXPECT_EQ(platform::soundRingOpen(), nullptr) << "one ring per process";

    SoundRegions r;
    ASSERT_EQ(platform::soundRingLock(ring, 0, SOUND_RING_BYTES, &r), SoundResult::OK);
    ASSERT_NE(r.ptr1, nullptr);
    ASSERT_EQ(r.bytes1 + r.bytes2, SOUND_RING_BYTES);
    for (uint32_t i = 0; i < r.bytes1; ++i) r.ptr1[i] = static_cast<uint8_t>(i * 7);
    ASSERT_EQ(platform::soundRingUnlock(ring, r), SoundResult::OK);

    // A range over the end: region one to the end, region two from offset 0.
    ASSERT_EQ(platform::soundRingLock(ring, 60000, 10000, &r), SoundResult::OK);
    EXPECT_EQ(r.bytes1, SOUND_RING_BYTES - 60000);
    EXPECT_EQ(r.bytes2, 10000 - (SOUND_RING_BYTES - 60000));
    ASSERT_NE(r.ptr2, nullptr);
    EXPECT_EQ(r.ptr1, r.ptr2 + 60000);
    EXPECT_EQ(r.ptr2[100], static_cast<uint8_t>(100 * 7));
    EXPECT_EQ(r.ptr1[0], static_cast<uint8_t>(60000 * 7));
    EXPECT_EQ(platform::soundRingUnlock(ring, r), SoundResult::OK);

    // An empty lock hands out nothing and is no failure; a range outside the ring is.
    ASSERT_EQ(platform::soundRingLock(ring, 4096, 0, &r), SoundResult::OK);
    EXPECT_EQ(r.bytes1 + r.bytes2, 0u);
    EXPECT_EQ(platform::soundRingUnlock(ring, r), SoundResult::OK);
    EXPECT_EQ(platform::soundRingLock(ring, SOUND_RING_BYTES, 4, &r), SoundResult::FAILED);
    EXPECT_EQ(r.ptr1, nullptr);
}

TEST_F(DsoundOnDevice, ThePlayPositionGoesRoundTheRing) {
    uint32_t first = SOUND_RING_BYTES;
    ASSERT_EQ(platform::soundRingGetPosition(ring, &first), SoundResult::OK);
    EXPECT_EQ(first, 0u);  // not playing yet
    ASSERT_EQ(platform::soundRingPlayLooping(ring), SoundResult::OK);
    // Round the ring: the position passes its middle and then comes back below it.
    bool pastMiddle = false;
    EXPECT_TRUE(waitFor([&] {
        uint32_t pos = SOUND_RING_BYTES;
        if (platform::soundRingGetPosition(ring, &pos) != SoundResult::OK || pos >= SOUND_RING_BYTES) return false;
        if (pos >= SOUND_RING_BYTES / 2) pastMiddle = true;
        return pastMiddle && pos < SOUND_RING_BYTES / 4;
    }));
}

std::atomic<bool> g_wroteSound{false};

// On the streaming thread: what it just rendered for the ring is not silence.
void noteSound(const audio::SoundOutput& out, uint32_t frames) {
    if (std::any_of(out.mixBuffer, out.mixBuffer + 2 * frames, [](int32_t v) { return v != 0; })) g_wroteSound = true;
}

TEST_F(DsoundOnDevice, TheStreamingThreadWritesTheSongThroughTheRingsLocks) {
    platform::soundRingRelease(ring);  // initPlayer opens its own
    ring = nullptr;
    audio::setStreamObserver(noteSound);
    ASSERT_TRUE(audio::initPlayer(assets::moduleData())) << platform::soundRingLastError();
    audio::startSong(0);
    EXPECT_TRUE(waitFor([] { return g_wroteSound.load(); }));
    audio::shutdownPlayer();
    audio::setStreamObserver(nullptr);
    EXPECT_EQ(audio::soundOutput.streamBuffer, nullptr);
}

}  // namespace
