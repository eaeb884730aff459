// The streaming iteration and the start-up of the sound output, on the headless ring,
// with the iterations driven one by one (no thread running).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "sound_support.h"

namespace {

using audio::soundOutput;
using platform::SoundStep;

constexpr uint32_t RING = audio::STREAM_BUFFER_BYTES;

bool silent(const uint8_t* from, const uint8_t* to) {
    return std::all_of(from, to, [](uint8_t b) { return b == 0; });
}

class StreamTest : public sound_test::SoundTest {
  protected:
    void SetUp() override {
        SoundTest::SetUp();
        ASSERT_EQ(audio::initPlayer(nullptr, module.data()), -1);
        sound_test::takeOverStreaming();
        mxm::startSong(0);
    }

    // Plays `bytes` more of the ring the way a device does (recording what it plays),
    // then runs one iteration.
    void playAndIterate(uint32_t bytes) {
        const uint8_t* ring = platform::headlessSoundBytes();
        uint32_t at = platform::headlessSoundPlayPosition();
        for (uint32_t i = 0; i < bytes; ++i) recording.push_back(ring[(at + i) % RING]);
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
        if (soundOutput.lockPtr2 != nullptr) {
            crossedEnd = true;
            // Region one runs to the ring's end, region two starts at offset 0.
            EXPECT_EQ(static_cast<uint8_t*>(soundOutput.lockPtr1) + soundOutput.lockBytes1,
                      platform::headlessSoundBytes() + RING);
            EXPECT_EQ(soundOutput.lockPtr2, platform::headlessSoundBytes());
        }
        EXPECT_EQ(soundOutput.writePos % audio::CURSOR_ALIGN, 0u);
    }
    EXPECT_TRUE(crossedEnd);
    ASSERT_TRUE(silent(recording.data(), recording.data() + RING)) << "the first turn of the ring must be silent";
    ASSERT_FALSE(silent(reference.data(), reference.data() + recording.size() - RING));
    EXPECT_TRUE(std::equal(recording.begin() + RING, recording.end(), reference.begin()));
}

TEST_F(StreamTest, CursorMovedLessThanOneAlignmentRendersNothing) {
    playAndIterate(4096);
    uint32_t countdown = soundOutput.player.tickCountdown;
    std::vector<uint8_t> ring(platform::headlessSoundBytes(), platform::headlessSoundBytes() + RING);
    playAndIterate(31);
    EXPECT_EQ(platform::headlessSoundCounts().lastLockBytes, 0u);
    EXPECT_EQ(soundOutput.writePos, 4096u);
    EXPECT_EQ(soundOutput.player.tickCountdown, countdown);
    EXPECT_EQ(0, std::memcmp(ring.data(), platform::headlessSoundBytes(), RING));
    // The 31 bytes are not lost: one more byte completes the stretch.
    playAndIterate(1);
    EXPECT_EQ(soundOutput.writePos, 4128u);
    EXPECT_TRUE(ringMatches(4096, 4096, 32));
}

TEST_F(StreamTest, LostRingIsRestoredAndThePositionReadAgain) {
    // Lost while reading the position: restored each time, read again without sleeping.
    platform::headlessSoundFail(SoundStep::GET_POSITION, platform::SOUND_ERR_BUFFER_LOST, 3);
    auto before = platform::headlessSoundCounts();
    playAndIterate(4096);
    auto after = platform::headlessSoundCounts();
    EXPECT_EQ(after.restores - before.restores, 3u);
    EXPECT_EQ(after.getPositions - before.getPositions, 4u);
    EXPECT_TRUE(ringMatches(0, 0, 4096));

    // Lost at the lock: the stretch is skipped (keeps its old content), the position is
    // read again and the song goes on where it stood.
    platform::headlessSoundFail(SoundStep::LOCK, platform::SOUND_ERR_BUFFER_LOST, 1);
    before = platform::headlessSoundCounts();
    playAndIterate(4096);
    after = platform::headlessSoundCounts();
    EXPECT_EQ(after.restores - before.restores, 1u);
    EXPECT_EQ(after.getPositions - before.getPositions, 2u);
    EXPECT_EQ(soundOutput.writePos, 8192u);
    EXPECT_TRUE(silent(platform::headlessSoundBytes() + 4096, platform::headlessSoundBytes() + 8192));
    playAndIterate(4096);
    EXPECT_TRUE(ringMatches(8192, 4096, 4096));
}

TEST_F(StreamTest, FailedLockStillAdvancesTheSongByItsStretch) {
    playAndIterate(4096);
    platform::headlessSoundFail(SoundStep::LOCK, platform::SOUND_ERR_FAILED, 1);
    playAndIterate(4096);
    EXPECT_TRUE(silent(platform::headlessSoundBytes() + 4096, platform::headlessSoundBytes() + 8192));
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
        platform::headlessSoundFail(step, platform::SOUND_ERR_FAILED);
        EXPECT_EQ(audio::initPlayer(nullptr, module.data()), 0);
        EXPECT_FALSE(soundOutput.threadHandle.joinable());
        EXPECT_EQ(soundOutput.streamBuffer, nullptr);
        EXPECT_FALSE(platform::headlessSoundIsOpen());
        EXPECT_EQ(platform::headlessSoundCounts().releases, releases);
        audio::shutdownPlayer();  // releases nothing more
        EXPECT_EQ(platform::headlessSoundCounts().releases, releases);
    }
    platform::headlessSoundReset();
    EXPECT_EQ(audio::initPlayer(nullptr, module.data()), -1) << "the failure left something behind";
}

TEST_F(InitTest, ModuleWithoutMagicStillOpensAndPlaysSilence) {
    module[0] ^= 0xFF;
    ASSERT_EQ(audio::initPlayer(nullptr, module.data()), -1);
    sound_test::takeOverStreaming();
    mxm::startSong(0);  // refused after the failed load
    // Mark the ring, so that written silence shows.
    std::memset(const_cast<uint8_t*>(platform::headlessSoundBytes()), 0x55, RING);
    for (int i = 0; i < 20; ++i) {
        platform::headlessSoundAdvance(4416);
        ASSERT_TRUE(audio::streamIteration());
    }
    EXPECT_TRUE(silent(platform::headlessSoundBytes(), platform::headlessSoundBytes() + RING));
}

}  // namespace
