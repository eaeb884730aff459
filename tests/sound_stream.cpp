// The streaming iteration and the start-up of the sound output, on the headless ring,
// with the iterations driven one by one (no thread running).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "sound_support.h"

namespace {

using audio::soundOutput;
using platform::SoundStep;
using sound_test::RING;

bool silent(const uint8_t* from, uint32_t bytes) {
    return std::all_of(from, from + bytes, [](uint8_t b) { return b == 0; });
}

// Ends the thread initPlayer started but keeps the ring open, so the test drives
// audio::streamIteration itself. Before startSong, the thread only saw a still ring.
void takeOverStreaming() {
    soundOutput.stopRequests.store(1);
    if (soundOutput.threadHandle.joinable()) soundOutput.threadHandle.join();
    soundOutput.stopRequests.store(0);
}

class StreamTest : public sound_test::SoundTest {
  protected:
    void SetUp() override {
        SoundTest::SetUp();
        ASSERT_TRUE(audio::initPlayer(module.data()));
        takeOverStreaming();
        audio::startSong(0);
    }
    // Plays `bytes` more of the ring the way a device does (recording what it plays),
    // then runs one iteration.
    void playAndIterate(uint32_t bytes) {
        uint32_t at = platform::headlessSoundPlayPosition();
        for (uint32_t i = 0; i < bytes; ++i) recording.push_back(platform::headlessSoundBytes()[(at + i) % RING]);
        platform::headlessSoundAdvance(bytes);
        ASSERT_TRUE(audio::streamIteration());
    }
    bool ringMatches(uint32_t at, uint32_t referenceAt, uint32_t bytes) {
        return std::memcmp(platform::headlessSoundBytes() + at, reference.data() + referenceAt, bytes) == 0;
    }
    std::vector<uint8_t> reference = sound_test::directRender(4 * RING);
    std::vector<uint8_t> recording;
};

TEST_F(StreamTest, PlayedOutputIsOneSilentRingThenTheSongAsRenderedDirectly) {
    // Steps that are not multiples of 32 bytes and do not divide the ring, so the
    // rounding carries over and some stretches cross the ring's end.
    bool crossedEnd = false;
    while (recording.size() < 3 * RING) {
        playAndIterate(4410);
        const auto counts = platform::headlessSoundCounts();
        crossedEnd = crossedEnd || counts.lastLockOffset + counts.lastLockBytes > RING;
    }
    EXPECT_TRUE(crossedEnd);
    ASSERT_TRUE(silent(recording.data(), RING)) << "the first turn of the ring must be silent";
    EXPECT_TRUE(std::equal(recording.begin() + RING, recording.end(), reference.begin()));
}

TEST_F(StreamTest, CursorMovedLessThanOneAlignmentRendersNothing) {
    playAndIterate(4096);
    playAndIterate(31);
    EXPECT_EQ(platform::headlessSoundCounts().lastLockBytes, 0u);
    EXPECT_EQ(soundOutput.writePos, 4096u);
    playAndIterate(1);  // the 31 bytes are not lost: one more completes the stretch
    EXPECT_TRUE(soundOutput.writePos == 4128u && ringMatches(4096, 4096, 32));
}

// Lost while reading the position: restored each time, read again without sleeping.
// Lost at the lock: restored, and the same stretch written. While the device stays
// gone, each iteration tries one restore and ends, the song waiting where it stands.
TEST_F(StreamTest, LostRingIsRestoredAndTheSongGoesOnWhereItStood) {
    const struct {
        SoundStep step;
        uint32_t times, restores, reads;
    } cases[] = {{SoundStep::GET_POSITION, 3, 3, 4}, {SoundStep::LOCK, 1, 1, 2}};
    for (const auto& c : cases) {
        platform::headlessSoundFail(c.step, platform::SoundResult::LOST, c.times);
        auto before = platform::headlessSoundCounts();
        playAndIterate(4096);
        auto after = platform::headlessSoundCounts();
        EXPECT_EQ(after.restores - before.restores, c.restores);
        EXPECT_EQ(after.getPositions - before.getPositions, c.reads);
    }
    EXPECT_TRUE(ringMatches(0, 0, 8192));
    platform::headlessSoundFail(SoundStep::GET_POSITION, platform::SoundResult::LOST, 3);
    platform::headlessSoundFail(SoundStep::RESTORE, platform::SoundResult::LOST, 2);
    for (int i = 0; i < 2; ++i) {
        const auto before = platform::headlessSoundCounts();
        ASSERT_TRUE(audio::streamIteration());
        EXPECT_EQ(platform::headlessSoundCounts().restores - before.restores, 1u);
        EXPECT_EQ(platform::headlessSoundCounts().unlockedBytes, before.unlockedBytes);
    }
    playAndIterate(4096);
    EXPECT_TRUE(ringMatches(8192, 8192, 4096));
}

using InitTest = sound_test::SoundTest;

TEST_F(InitTest, FailingStepReleasesWhatWasMadeAndStartsNoThread) {
    // The ring exists, and needs releasing, from the open on.
    const std::pair<SoundStep, uint32_t> cases[] = {
        {SoundStep::OPEN, 0}, {SoundStep::LOCK, 1}, {SoundStep::UNLOCK, 1}, {SoundStep::PLAY, 1}};
    for (auto [step, releases] : cases) {
        SCOPED_TRACE(static_cast<int>(step));
        platform::headlessSoundReset();
        platform::headlessSoundFail(step, platform::SoundResult::FAILED);
        EXPECT_FALSE(audio::initPlayer(module.data()));
        EXPECT_FALSE(soundOutput.threadHandle.joinable());
        EXPECT_FALSE(platform::headlessSoundIsOpen());
        audio::shutdownPlayer();  // releases nothing more
        EXPECT_EQ(platform::headlessSoundCounts().releases, releases);
    }
}

TEST_F(InitTest, ModuleWithoutMagicStillOpensAndPlaysSilence) {
    module[0] ^= 0xFF;
    ASSERT_TRUE(audio::initPlayer(module.data()));
    takeOverStreaming();
    audio::startSong(0);  // refused after the failed load
    std::memset(const_cast<uint8_t*>(platform::headlessSoundBytes()), 0x55, RING);  // so written silence shows
    for (int i = 0; i < 20; ++i) {
        platform::headlessSoundAdvance(4416);
        ASSERT_TRUE(audio::streamIteration());
    }
    EXPECT_TRUE(silent(platform::headlessSoundBytes(), RING));
}

}  // namespace
