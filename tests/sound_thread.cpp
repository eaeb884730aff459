// The streaming thread running on the headless ring: it follows the play position,
// stops when asked (also while a lost ring is being restored), and shutdown waits for it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "sound_support.h"

namespace {

using audio::soundOutput;
using platform::SoundStep;

constexpr uint32_t RING = audio::STREAM_BUFFER_BYTES;

// Waits (bounded, only against a hang) until `done` holds.
template <typename F>
bool waitFor(F done) {
    auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > give_up) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class ThreadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::headlessSoundReset();
        audio::setStreamSleepMs(1);
        module = sound_test::songModule();
    }
    void TearDown() override {
        audio::shutdownPlayer();
        audio::setStreamSleepMs(audio::STREAM_SLEEP_MS);
    }
    std::vector<uint8_t> module;
};

TEST_F(ThreadTest, WritesBehindThePlayPositionWhatADirectRenderGives) {
    std::vector<uint8_t> reference = sound_test::directRender(sound_test::songModule(), 3 * RING);
    ASSERT_EQ(audio::initPlayer(nullptr, module.data()), -1);
    mxm::startSong(0);
    std::vector<uint8_t> written;
    uint64_t total = platform::headlessSoundCounts().unlockedBytes;  // the silence written at start
    uint32_t pos = 0;
    while (written.size() < 2 * RING) {
        const uint32_t step = 4480;  // whole alignments: every step is written at once
        platform::headlessSoundAdvance(step);
        total += step;
        ASSERT_TRUE(waitFor([&] { return platform::headlessSoundCounts().unlockedBytes == total; }));
        const uint8_t* ring = platform::headlessSoundBytes();
        for (uint32_t i = 0; i < step; ++i) written.push_back(ring[(pos + i) % RING]);
        pos = (pos + step) % RING;
    }
    audio::shutdownPlayer();
    auto diverge = std::mismatch(written.begin(), written.end(), reference.begin());
    EXPECT_EQ(diverge.first, written.end()) << "first differing byte " << (diverge.first - written.begin());
}

TEST_F(ThreadTest, StopRequestEndsTheThreadWithinOneIteration) {
    audio::setStreamSleepMs(audio::STREAM_SLEEP_MS);
    ASSERT_EQ(audio::initPlayer(nullptr, module.data()), -1);
    mxm::startSong(0);
    uint64_t total = platform::headlessSoundCounts().unlockedBytes + 8192;
    platform::headlessSoundAdvance(8192);
    ASSERT_TRUE(waitFor([&] { return platform::headlessSoundCounts().unlockedBytes == total; }));
    uint32_t locksAtStop = platform::headlessSoundCounts().locks;
    audio::shutdownPlayer();
    EXPECT_FALSE(soundOutput.threadHandle.joinable());
    EXPECT_LE(platform::headlessSoundCounts().locks, locksAtStop + 1);
    EXPECT_EQ(platform::headlessSoundCounts().releases, 1u);
    EXPECT_FALSE(platform::headlessSoundIsOpen());
    audio::shutdownPlayer();  // harmless
    EXPECT_EQ(platform::headlessSoundCounts().releases, 1u);
}

TEST_F(ThreadTest, StopRequestEndsTheThreadWhileARingStaysLost) {
    for (SoundStep step : {SoundStep::GET_POSITION, SoundStep::LOCK}) {
        SCOPED_TRACE(static_cast<int>(step));
        platform::headlessSoundReset();
        ASSERT_EQ(audio::initPlayer(nullptr, module.data()), -1);
        platform::headlessSoundFail(step, platform::SOUND_ERR_BUFFER_LOST, UINT32_MAX);
        ASSERT_TRUE(waitFor([] { return platform::headlessSoundCounts().restores > 100; }));
        audio::shutdownPlayer();  // returns only once the thread has ended
        uint32_t restores = platform::headlessSoundCounts().restores;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(platform::headlessSoundCounts().restores, restores);
        EXPECT_FALSE(platform::headlessSoundIsOpen());
    }
}

TEST_F(ThreadTest, RingThatNeverMovesKeepsTheSongAtItsStart) {
    ASSERT_EQ(audio::initPlayer(nullptr, module.data()), -1);
    mxm::startSong(0);
    ASSERT_TRUE(waitFor([] { return platform::headlessSoundCounts().unlocks > 20; }));
    audio::shutdownPlayer();
    EXPECT_EQ(soundOutput.player.tickCountdown, 0u);  // no tick has run
    EXPECT_EQ(soundOutput.writePos, 0u);
}

}  // namespace
