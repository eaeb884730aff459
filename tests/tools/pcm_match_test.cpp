// The recording matcher on synthetic audio: what a lossy sound server leaves of a
// render (lost frames, silence put in, a stale turn of the ring) is still found, and
// anything that is not the render (moved by a sample, one value off, quieter, another
// song, too little of it) is not.
#include "pcm_match.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using pcmmatch::Frame;
constexpr uint32_t RATE = 44100;

Frame frame(int16_t left, int16_t right) {
    return static_cast<uint16_t>(left) | static_cast<Frame>(static_cast<uint16_t>(right)) << 16;
}

// Seconds of a busy, never-repeating signal with a stretch of true silence in it (the
// song's own rests must not split a stretch).
std::vector<Frame> song(double secondsLong, uint32_t seed) {
    std::vector<Frame> out;
    uint32_t noise = seed;
    for (uint32_t i = 0; i < secondsLong * RATE; ++i) {
        noise = noise * 1664525u + 1013904223u;
        if (i >= RATE && i < RATE + 2000) {
            out.push_back(0);
            continue;
        }
        double t = static_cast<double>(i) / RATE;
        int jitter = static_cast<int>(noise >> 24) - 128;
        out.push_back(frame(static_cast<int16_t>(9000 * std::sin(2 * M_PI * 220 * t) + jitter),
                            static_cast<int16_t>(7000 * std::sin(2 * M_PI * 331 * t) - jitter)));
    }
    return out;
}

// Frames at `tenths` tenths of a second.
constexpr uint64_t at(uint32_t tenths) { return uint64_t{tenths} * RATE / 10; }

// The song from `fromTenth` to `toTenth` tenths of a second.
void append(std::vector<Frame>& to, const std::vector<Frame>& from, uint32_t fromTenth, uint32_t toTenth) {
    to.insert(to.end(), from.begin() + static_cast<long>(at(fromTenth)), from.begin() + static_cast<long>(at(toTenth)));
}

void silence(std::vector<Frame>& to, uint32_t frames) { to.insert(to.end(), frames, 0); }

class PcmMatch : public ::testing::Test {
  protected:
    std::vector<Frame> render = song(8, 1);
};

TEST_F(PcmMatch, FindsTheSongThroughLostFramesSilenceAndAStaleTurn) {
    std::vector<Frame> recording;
    silence(recording, 20000);  // before the ring's first turn is heard
    append(recording, render, 0, 15);
    append(recording, render, 16, 25);  // frames lost, no silence between
    silence(recording, 700);            // an underrun: silence put in, the song resumes
    append(recording, render, 25, 40);
    silence(recording, 300);  // lost and silence together
    append(recording, render, 42, 60);
    silence(recording, 5000);
    pcmmatch::Result r = pcmmatch::match(render, recording);
    EXPECT_EQ(r.unmatchedFrames, 0u);
    ASSERT_EQ(r.stretches.size(), 4u);
    EXPECT_EQ(r.stretches[1].renderStart, at(16));
    EXPECT_EQ(r.stretches[3].recordStart, 20000u + at(15) + at(9) + 700u + at(15) + 300u);
    EXPECT_EQ(r.matchedFrames, at(57));
    EXPECT_EQ(r.silentFrames, 20000u + 700u + 300u + 5000u);
    EXPECT_EQ(r.chainMatchedFrames, r.matchedFrames);
    EXPECT_EQ(r.chainSpanFrames, at(60));
    EXPECT_TRUE(pcmmatch::passes(r, 3, 0, RATE));

    // A turn of the ring heard again breaks the in-order chain.
    std::vector<Frame> stale;
    append(stale, render, 0, 20);
    append(stale, render, 15, 35);
    r = pcmmatch::match(render, stale);
    EXPECT_EQ(r.unmatchedFrames, 0u);
    EXPECT_EQ(r.chainMatchedFrames, at(20));
    EXPECT_FALSE(pcmmatch::passes(r, 3, 0, RATE));
    EXPECT_TRUE(pcmmatch::passes(r, 2, 0, RATE));
}

TEST_F(PcmMatch, RejectsWhatIsNotTheRender) {
    std::vector<Frame> good;
    append(good, render, 5, 55);
    ASSERT_TRUE(pcmmatch::passes(pcmmatch::match(render, good), 3, 0, RATE));
    std::vector<Frame> shifted(good.size() - 1), altered = good, quieter = good, other, tooLittle;
    // Moved by one sample: every frame pairs the right channel with the next left one.
    for (size_t i = 0; i + 1 < good.size(); ++i) shifted[i] = good[i] >> 16 | good[i + 1] << 16;
    altered[100000] += 1;  // one value one step off: that frame is found nowhere
    for (Frame& f : quieter)
        f = frame(static_cast<int16_t>(static_cast<int16_t>(f & 0xFFFF) / 2), static_cast<int16_t>(f >> 16) / 2);
    append(other, song(6, 2), 5, 55);
    append(tooLittle, render, 0, 29);
    const std::pair<const char*, const std::vector<Frame>*> bad[] = {{"shifted", &shifted},
                                                                     {"altered", &altered},
                                                                     {"quieter", &quieter},
                                                                     {"other", &other},
                                                                     {"too little", &tooLittle}};
    for (const auto& [name, recording] : bad)
        EXPECT_FALSE(pcmmatch::passes(pcmmatch::match(render, *recording), 3, 0, RATE)) << name;
    EXPECT_EQ(pcmmatch::match(render, altered).unmatchedFrames, 1u);
    // Bytes are little-endian, left then right; a stray last byte is no frame.
    const std::vector<Frame> frames = pcmmatch::framesFromBytes({0x34, 0x12, 0xFE, 0xFF, 0x01, 0x00, 0x00, 0x80, 0xAA});
    EXPECT_EQ(frames, (std::vector<Frame>{frame(0x1234, -2), frame(1, INT16_MIN)}));
}

}  // namespace
