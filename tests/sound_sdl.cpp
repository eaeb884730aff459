// The real SDL output path, recorded through SDL's disk audio driver: after the first
// turn of silence the recording is exactly the song as a direct render gives it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "sound_support.h"

namespace {

using sound_test::RING;

TEST(SoundSdl, DiskRecordingIsOneSilentRingThenTheDirectRender) {
    const std::string path = std::string(SKARVO_ARTIFACTS) + "/sound_disk.raw";
    std::remove(path.c_str());
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
    unsetenv("SDL_DISKAUDIODELAY");

    std::vector<uint8_t> module = sound_test::songModule();
    if (audio::initPlayer(nullptr, module.data()) == 0) {
        GTEST_SKIP() << "no disk audio output: " << platform::soundRingLastError();
    }
    mxm::startSong(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    audio::shutdownPlayer();

    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> recording((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(recording.size(), RING + 44100u);

    // The device may put out some silence of its own before the ring starts to play.
    std::vector<uint8_t> reference = sound_test::directRender(4 * RING);
    auto nonzero = [](uint8_t b) { return b != 0; };
    size_t songStart = std::find_if(recording.begin(), recording.end(), nonzero) - recording.begin();
    size_t referenceStart = std::find_if(reference.begin(), reference.end(), nonzero) - reference.begin();
    ASSERT_LT(songStart, recording.size()) << "the recording is silent";
    size_t offset = songStart - referenceStart;
    EXPECT_GE(offset, RING) << "the first turn of the ring must be silent";
    EXPECT_EQ(offset % platform::SOUND_FRAME_BYTES, 0u);
    EXPECT_LT(offset, RING + 16384) << "more device silence than expected before the ring";

    size_t n = std::min(recording.size() - offset, reference.size());
    auto mismatch = std::mismatch(recording.begin() + offset, recording.begin() + offset + n, reference.begin());
    EXPECT_EQ(mismatch.second - reference.begin(), static_cast<ptrdiff_t>(n))
        << "the recording departs from the direct render there (of " << n << " bytes compared)";
}

}  // namespace
