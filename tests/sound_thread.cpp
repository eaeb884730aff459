// The streaming thread on the headless ring: it follows the play position, stops when
// asked (also while a lost ring is being restored), and shutdown waits for it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include "sound_support.h"

namespace {

using platform::SoundStep;
using sound_test::RING;

// Waits (bounded, only against a hang) until `done` holds.
bool waitFor(const std::function<bool()>& done) {
    for (int ms = 0; ms < 20000 && !done(); ++ms) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done();
}

using ThreadTest = sound_test::SoundTest;

TEST_F(ThreadTest, WritesBehindThePlayPositionWhatADirectRenderGives) {
    std::vector<uint8_t> reference = sound_test::directRender(3 * RING), written;
    audio::setStreamSleepMs(1);
    ASSERT_TRUE(audio::initPlayer(module.data()));
    audio::startSong(0);
    uint64_t total = platform::headlessSoundCounts().unlockedBytes;  // the silence written at start
    const uint32_t step = 4480;                                      // whole alignments: every step is written at once
    for (uint32_t pos = 0; written.size() < 2 * RING; pos = (pos + step) % RING) {
        platform::headlessSoundAdvance(step);
        total += step;
        ASSERT_TRUE(waitFor([&] { return platform::headlessSoundCounts().unlockedBytes == total; }));
        for (uint32_t i = 0; i < step; ++i) written.push_back(platform::headlessSoundBytes()[(pos + i) % RING]);
    }
    audio::shutdownPlayer();
    EXPECT_TRUE(std::equal(written.begin(), written.end(), reference.begin()));
}

TEST_F(ThreadTest, StopRequestEndsTheThreadWhileARingStaysLost) {
    for (SoundStep step : {SoundStep::GET_POSITION, SoundStep::LOCK}) {
        SCOPED_TRACE(static_cast<int>(step));
        platform::headlessSoundReset();
        audio::setStreamSleepMs(1);
        ASSERT_TRUE(audio::initPlayer(module.data()));
        platform::headlessSoundFail(step, platform::SoundResult::LOST, UINT32_MAX);
        ASSERT_TRUE(waitFor([] { return platform::headlessSoundCounts().restores > 100; }));
        audio::shutdownPlayer();  // returns only once the thread has ended
        uint32_t restores = platform::headlessSoundCounts().restores;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(platform::headlessSoundCounts().restores, restores);
    }
}

}  // namespace
