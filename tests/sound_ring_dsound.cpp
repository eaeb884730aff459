// The DirectSound sound ring under Wine. Without a device (the sound server pointing
// nowhere): open fails, says which step, and leaves nothing behind, and the game's
// output stays silent. On a device (where a sound server is reachable, else these
// cases skip): the ring's regions, its moving play position, and the streaming thread
// writing into it.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "mxm_builder.h"
#include "sound_output.h"
#include "sound_ring.h"

namespace {

using platform::SOUND_OK;
using platform::SOUND_RING_BYTES;

// Waits (bounded, only against a hang) until `done` holds.
bool waitFor(const std::function<bool()>& done) {
    for (int ms = 0; ms < 20000 && !done(); ms += 5) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return done();
}

// A module that sounds from its first row: one looped saw on one channel.
std::vector<uint8_t> sawModule() {
    mxmb::Module m;
    m.channelCount = 1;
    m.orders = {0};
    m.patterns.push_back(mxmb::Pattern::empty(16));
    std::vector<int32_t> saw;
    for (int i = 0; i < 32; ++i) saw.push_back(i * 8 - 128);
    m.instruments.resize(1);
    m.instruments[0].samples.push_back(mxmb::Sample::looped8(saw, 0));
    m.patterns[0].rows[0].push_back(mxmb::note(0, 49, 1));
    return mxmb::build(m);
}

TEST(DsoundWithoutDevice, OpenFailsSaysWhichStepAndLeavesNothing) {
    // A failed open leaves nothing open: the next one fails the same way, not as a second ring.
    std::string firstError;
    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE(attempt);
        platform::SoundRing* ring = reinterpret_cast<platform::SoundRing*>(1);
        int32_t result = platform::soundRingOpen(&ring);
        EXPECT_NE(result, SOUND_OK);
        EXPECT_EQ(ring, nullptr);
        EXPECT_NE(std::strstr(platform::soundRingLastError(), "failed (0x"), nullptr) << platform::soundRingLastError();
        if (attempt == 0) firstError = platform::soundRingLastError();
        EXPECT_EQ(platform::soundRingLastError(), firstError);
    }
    void *p1 = &p1, *p2 = &p2;
    uint32_t n1 = 1, n2 = 1, pos = 7;
    EXPECT_NE(platform::soundRingLock(nullptr, 0, 64, &p1, &n1, &p2, &n2, 0), SOUND_OK);
    EXPECT_TRUE(p1 == nullptr && p2 == nullptr && n1 == 0 && n2 == 0);
    EXPECT_NE(platform::soundRingGetPosition(nullptr, &pos), SOUND_OK);
    EXPECT_EQ(pos, 7u);
    platform::soundRingRelease(nullptr);
}

TEST(DsoundWithoutDevice, TheGameStaysSilentWithNoThread) {
    std::vector<uint8_t> module = sawModule();
    EXPECT_EQ(audio::initPlayer(nullptr, module.data()), 0);
    EXPECT_EQ(audio::soundOutput.streamBuffer, nullptr);
    EXPECT_FALSE(audio::soundOutput.threadHandle.joinable());
    audio::shutdownPlayer();
}

class DsoundOnDevice : public ::testing::Test {
  protected:
    void SetUp() override {
        if (platform::soundRingOpen(&ring) != SOUND_OK) {
            GTEST_SKIP() << "no sound device: " << platform::soundRingLastError();
        }
    }
    void TearDown() override { platform::soundRingRelease(ring); }
    platform::SoundRing* ring = nullptr;
};

TEST_F(DsoundOnDevice, LocksHandOutTheRingsRegionsAndKeepWhatWasWritten) {
    platform::SoundRing* second = nullptr;
    EXPECT_NE(platform::soundRingOpen(&second), SOUND_OK);  // one ring per process
    EXPECT_EQ(second, nullptr);

    void *p1, *p2;
    uint32_t n1, n2;
    ASSERT_EQ(platform::soundRingLock(ring, 0, 0, &p1, &n1, &p2, &n2, platform::SOUND_LOCK_ENTIRE), SOUND_OK);
    ASSERT_NE(p1, nullptr);
    EXPECT_EQ(n1 + n2, SOUND_RING_BYTES);
    uint8_t* base = static_cast<uint8_t*>(p1);
    for (uint32_t i = 0; i < n1; ++i) base[i] = static_cast<uint8_t>(i * 7);
    ASSERT_EQ(platform::soundRingUnlock(ring, p1, n1, p2, n2), SOUND_OK);

    // A range over the end: region one to the end, region two from offset 0.
    ASSERT_EQ(platform::soundRingLock(ring, 60000, 10000, &p1, &n1, &p2, &n2, 0), SOUND_OK);
    EXPECT_EQ(n1, SOUND_RING_BYTES - 60000);
    EXPECT_EQ(n2, 10000 - (SOUND_RING_BYTES - 60000));
    ASSERT_NE(p2, nullptr);
    EXPECT_EQ(static_cast<uint8_t*>(p1), static_cast<uint8_t*>(p2) + 60000);
    EXPECT_EQ(static_cast<uint8_t*>(p2)[100], static_cast<uint8_t>(100 * 7));
    EXPECT_EQ(static_cast<uint8_t*>(p1)[0], static_cast<uint8_t>(60000 * 7));
    EXPECT_EQ(platform::soundRingUnlock(ring, p1, n1, p2, n2), SOUND_OK);

    // An empty lock hands out nothing and is no failure; a range outside the ring is.
    ASSERT_EQ(platform::soundRingLock(ring, 4096, 0, &p1, &n1, &p2, &n2, 0), SOUND_OK);
    EXPECT_EQ(n1 + n2, 0u);
    EXPECT_EQ(platform::soundRingUnlock(ring, p1, n1, p2, n2), SOUND_OK);
    EXPECT_NE(platform::soundRingLock(ring, SOUND_RING_BYTES, 4, &p1, &n1, &p2, &n2, 0), SOUND_OK);
    EXPECT_EQ(p1, nullptr);
}

TEST_F(DsoundOnDevice, ThePlayPositionGoesRoundTheRing) {
    uint32_t first = SOUND_RING_BYTES;
    ASSERT_EQ(platform::soundRingGetPosition(ring, &first), SOUND_OK);
    EXPECT_EQ(first, 0u);  // not playing yet
    ASSERT_EQ(platform::soundRingPlayLooping(ring), SOUND_OK);
    // Round the ring: the position passes its middle and then comes back below it.
    bool pastMiddle = false;
    EXPECT_TRUE(waitFor([&] {
        uint32_t pos = SOUND_RING_BYTES;
        if (platform::soundRingGetPosition(ring, &pos) != SOUND_OK || pos >= SOUND_RING_BYTES) return false;
        if (pos >= SOUND_RING_BYTES / 2) pastMiddle = true;
        return pastMiddle && pos < SOUND_RING_BYTES / 4;
    }));
}

std::atomic<bool> g_wroteSound{false};

// On the streaming thread: a lock was granted and what went into it was not silence.
void noteSound(const audio::SoundOutput& out) {
    if (out.lockPtr1 == nullptr || out.lockBytes1 == 0) return;
    const int32_t* mixed = out.mixBuffer;
    if (std::any_of(mixed, mixed + out.lockBytes1 / 2, [](int32_t v) { return v != 0; })) g_wroteSound = true;
}

TEST_F(DsoundOnDevice, TheStreamingThreadWritesTheSongThroughTheRingsLocks) {
    platform::soundRingRelease(ring);  // initPlayer opens its own
    ring = nullptr;
    std::vector<uint8_t> module = sawModule();
    audio::setStreamObserver(noteSound);
    ASSERT_EQ(audio::initPlayer(nullptr, module.data()), -1);
    audio::startSong(0);
    EXPECT_TRUE(waitFor([] { return g_wroteSound.load(); }));
    audio::shutdownPlayer();
    audio::setStreamObserver(nullptr);
    EXPECT_EQ(audio::soundOutput.streamBuffer, nullptr);
}

}  // namespace
