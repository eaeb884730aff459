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

class StreamTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::headlessSoundReset();
        audio::setStreamSleepMs(0);
        module = sound_test::songModule();
        reference = sound_test::directRender(sound_test::songModule(), 4 * RING);
        ASSERT_EQ(audio::initPlayer(nullptr, module.data()), -1);
        sound_test::takeOverStreaming();
        mxm::startSong(0);
    }
    void TearDown() override {
        audio::shutdownPlayer();
        audio::setStreamSleepMs(audio::STREAM_SLEEP_MS);
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

    std::vector<uint8_t> module;
    std::vector<uint8_t> reference;
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
                      static_cast<const uint8_t*>(platform::headlessSoundBytes()) + RING);
            EXPECT_EQ(soundOutput.lockPtr2, platform::headlessSoundBytes());
        }
        EXPECT_EQ(soundOutput.writePos % audio::CURSOR_ALIGN, 0u);
    }
    EXPECT_TRUE(crossedEnd);
    ASSERT_TRUE(std::all_of(recording.begin(), recording.begin() + RING, [](uint8_t b) { return b == 0; }))
        << "the first turn of the ring must be the silence written at start";
    size_t songBytes = recording.size() - RING;
    ASSERT_TRUE(std::any_of(reference.begin(), reference.begin() + songBytes, [](uint8_t b) { return b != 0; }));
    EXPECT_TRUE(std::equal(recording.begin() + RING, recording.end(), reference.begin()));
}

TEST_F(StreamTest, CursorMovedLessThanOneAlignmentRendersNothing) {
    playAndIterate(4096);
    uint32_t countdown = soundOutput.player.tickCountdown;
    uint8_t tick = soundOutput.player.tick;
    auto before = platform::headlessSoundCounts();
    std::vector<uint8_t> ring(platform::headlessSoundBytes(), platform::headlessSoundBytes() + RING);

    playAndIterate(31);

    auto after = platform::headlessSoundCounts();
    EXPECT_EQ(after.lastLockBytes, 0u);
    EXPECT_EQ(after.unlocks, before.unlocks + 1);
    EXPECT_EQ(soundOutput.writePos, 4096u);
    EXPECT_EQ(soundOutput.player.tickCountdown, countdown);
    EXPECT_EQ(soundOutput.player.tick, tick);
    EXPECT_EQ(0, std::memcmp(ring.data(), platform::headlessSoundBytes(), RING));

    // The 31 bytes are not lost: one more byte completes the stretch.
    playAndIterate(1);
    EXPECT_EQ(soundOutput.writePos, 4128u);
    EXPECT_EQ(0, std::memcmp(platform::headlessSoundBytes() + 4096, reference.data() + 4096, 32));
}

TEST_F(StreamTest, LostRingIsRestoredAndThePositionReadAgain) {
    // Lost while reading the position: restored each time, read again without sleeping.
    platform::headlessSoundFail(SoundStep::GET_POSITION, platform::SOUND_ERR_BUFFER_LOST, 3);
    auto before = platform::headlessSoundCounts();
    playAndIterate(4096);
    auto after = platform::headlessSoundCounts();
    EXPECT_EQ(after.restores - before.restores, 3u);
    EXPECT_EQ(after.getPositions - before.getPositions, 4u);
    EXPECT_EQ(soundOutput.writePos, 4096u);
    EXPECT_EQ(0, std::memcmp(platform::headlessSoundBytes(), reference.data(), 4096));

    // Lost at the lock: the stretch is skipped (keeps its old content), the position is
    // read again and the next count starts from the skipped stretch's end.
    platform::headlessSoundFail(SoundStep::LOCK, platform::SOUND_ERR_BUFFER_LOST, 1);
    before = platform::headlessSoundCounts();
    playAndIterate(4096);
    after = platform::headlessSoundCounts();
    EXPECT_EQ(after.restores - before.restores, 1u);
    EXPECT_EQ(after.getPositions - before.getPositions, 2u);
    EXPECT_EQ(soundOutput.writePos, 8192u);
    EXPECT_TRUE(std::all_of(platform::headlessSoundBytes() + 4096, platform::headlessSoundBytes() + 8192,
                            [](uint8_t b) { return b == 0; }));
    // Nothing was rendered for the skipped stretch: the song goes on where it stood.
    playAndIterate(4096);
    EXPECT_EQ(0, std::memcmp(platform::headlessSoundBytes() + 8192, reference.data() + 4096, 4096));
}

TEST_F(StreamTest, OtherFailuresKeepTheSongInTimeWithTheRing) {
    playAndIterate(4096);
    // A failed position read keeps the previous position: nothing to write this time.
    platform::headlessSoundFail(SoundStep::GET_POSITION, platform::SOUND_ERR_FAILED, 1);
    playAndIterate(4096);
    EXPECT_EQ(soundOutput.writePos, 4096u);
    EXPECT_EQ(platform::headlessSoundCounts().lastLockBytes, 0u);
    // ...and the next iteration catches up.
    playAndIterate(0);
    EXPECT_EQ(soundOutput.writePos, 8192u);
    EXPECT_EQ(0, std::memcmp(platform::headlessSoundBytes(), reference.data(), 8192));

    // A failed lock writes nothing, but the song still advances by that stretch.
    platform::headlessSoundFail(SoundStep::LOCK, platform::SOUND_ERR_FAILED, 1);
    playAndIterate(4096);
    EXPECT_EQ(soundOutput.lockPtr1, nullptr);
    EXPECT_TRUE(std::all_of(platform::headlessSoundBytes() + 8192, platform::headlessSoundBytes() + 12288,
                            [](uint8_t b) { return b == 0; }));
    playAndIterate(4096);
    EXPECT_EQ(0, std::memcmp(platform::headlessSoundBytes() + 12288, reference.data() + 12288, 4096));
}

class InitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::headlessSoundReset();
        audio::setStreamSleepMs(0);
        module = sound_test::songModule();
    }
    void TearDown() override {
        audio::shutdownPlayer();
        audio::setStreamSleepMs(audio::STREAM_SLEEP_MS);
    }
    std::vector<uint8_t> module;
};

TEST_F(InitTest, FailingStepReleasesWhatWasMadeAndStartsNoThread) {
    struct Case {
        SoundStep step;
        uint32_t releases;  // the ring exists from the open on
    };
    for (Case c :
         {Case{SoundStep::OPEN, 0}, Case{SoundStep::LOCK, 1}, Case{SoundStep::UNLOCK, 1}, Case{SoundStep::PLAY, 1}}) {
        SCOPED_TRACE(static_cast<int>(c.step));
        platform::headlessSoundReset();
        platform::headlessSoundFail(c.step, platform::SOUND_ERR_FAILED);
        EXPECT_EQ(audio::initPlayer(nullptr, module.data()), 0);
        EXPECT_FALSE(soundOutput.threadHandle.joinable());
        EXPECT_EQ(soundOutput.streamBuffer, nullptr);
        EXPECT_FALSE(platform::headlessSoundIsOpen());
        EXPECT_FALSE(platform::headlessSoundIsPlaying());
        EXPECT_EQ(platform::headlessSoundCounts().releases, c.releases);
        // A later shutdown (and a second one) releases nothing more.
        audio::shutdownPlayer();
        audio::shutdownPlayer();
        EXPECT_EQ(platform::headlessSoundCounts().releases, c.releases);
    }
    // The failure left nothing behind: the next start opens.
    platform::headlessSoundReset();
    EXPECT_EQ(audio::initPlayer(nullptr, module.data()), -1);
    EXPECT_TRUE(platform::headlessSoundIsPlaying());
}

TEST_F(InitTest, StartClearsTheStateAndFillsTheRingWithSilence) {
    soundOutput.writePos = 96;
    soundOutput.player.tickCountdown = 12345;
    ASSERT_EQ(audio::initPlayer(nullptr, module.data()), -1);
    sound_test::takeOverStreaming();
    EXPECT_EQ(soundOutput.writePos, 0u);
    EXPECT_EQ(soundOutput.player.tickCountdown, 0u);
    EXPECT_EQ(soundOutput.player.playing.load(), 0);
    const uint8_t* ring = platform::headlessSoundBytes();
    EXPECT_TRUE(std::all_of(ring, ring + RING, [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(platform::headlessSoundIsPlaying());
}

TEST_F(InitTest, ModuleWithoutMagicStillOpensAndPlaysSilence) {
    module[0] ^= 0xFF;
    ASSERT_EQ(audio::initPlayer(nullptr, module.data()), -1);
    sound_test::takeOverStreaming();
    mxm::startSong(0);  // refused after the failed load
    // Mark the ring, so that written silence shows.
    void* p1;
    uint32_t n1;
    void* p2;
    uint32_t n2;
    ASSERT_EQ(platform::soundRingLock(soundOutput.streamBuffer, 0, 0, &p1, &n1, &p2, &n2, platform::SOUND_LOCK_ENTIRE),
              platform::SOUND_OK);
    std::memset(p1, 0x55, n1);
    platform::soundRingUnlock(soundOutput.streamBuffer, p1, n1, p2, n2);
    for (int i = 0; i < 20; ++i) {
        platform::headlessSoundAdvance(4416);
        ASSERT_TRUE(audio::streamIteration());
    }
    const uint8_t* ring = platform::headlessSoundBytes();
    EXPECT_TRUE(std::all_of(ring, ring + RING, [](uint8_t b) { return b == 0; }));
    EXPECT_GT(soundOutput.writePos, 0u);
}

}  // namespace
