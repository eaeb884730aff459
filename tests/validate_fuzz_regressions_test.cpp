// Untrusted modules end to end: inputs the fuzzer once broke (tests/data/fuzz-regressions)
// and valid modules built to sit on every edge, each validated, loaded into an image of
// exactly its size and rendered. Run under the address sanitizer to catch any access
// outside the image.
#include <dirent.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "exercise.h"
#include "mxm_builder.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint32_t SECONDS = 44100;

TEST(FuzzRegressions, StoredInputsRunClean) {
    std::string dir = std::string(SKARVO_TEST_DATA) + "/fuzz-regressions";
    DIR* d = opendir(dir.c_str());
    ASSERT_NE(d, nullptr) << dir;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name[0] == '.' || name == "README") continue;
        std::ifstream f(dir + "/" + name, std::ios::binary);
        Bytes bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        exerciseModule(bytes.data(), bytes.size(), 3 * SECONDS);
    }
    closedir(d);
}

// `channels` channels, one instrument per sample, one pattern of `rows` rows at order 0.
mxmb::Module song(uint32_t channels, const std::vector<mxmb::Sample>& samples, int rows) {
    mxmb::Module m;
    m.channelCount = channels;
    m.orders = {0};
    m.patterns.push_back(mxmb::Pattern::empty(rows));
    for (const mxmb::Sample& s : samples) m.instruments.emplace_back().samples.push_back(s);
    return m;
}

// Ping-pong and forward loops from the first point, a zero-length loop and 16-bit data
// ending the image, driven by sample offsets past the end, retriggers and the highest pitches.
TEST(FuzzRegressions, LoopEdgesStayInsideTheImage) {
    mxmb::Sample ping8 = mxmb::Sample::oneShot8({5, -5, 5}), ping16 = mxmb::Sample::oneShot16({-32768, 32767, -32768});
    ping8.flags = ping16.flags = 0x10;
    ping8.loopStart = 2;
    ping16.relativePitch = 32767;
    // 16-bit last, so its stored point at the loop end is the image's last two bytes.
    mxmb::Module m = song(
        4, {mxmb::Sample::looped8({-128, 127, -128, 127}, 0), mxmb::Sample::looped8({1, 2, 3}, 3), ping8, ping16}, 32);
    m.initialSpeed = 2;
    const uint8_t effects[4] = {0x09, mxmb::extended(0x9), 0x1B, 0x00};
    for (int r = 0; r < 32; ++r)
        for (uint8_t c = 0; c < 4; ++c) {
            mxmb::Cell cell = mxmb::note(c, static_cast<uint8_t>(96 - r), static_cast<uint8_t>(1 + (c + r) % 4));
            cell.hasEffect = true;
            cell.effect = effects[(r + c) % 4];
            cell.param = r % 2 ? 0xFF : 0x11;
            m.patterns[0].rows[r].push_back(cell);
        }
    Bytes bytes = mxmb::build(m);
    EXPECT_TRUE(exerciseModule(bytes.data(), bytes.size(), 4 * SECONDS));
}

// Jumps and breaks to rows a pattern lacks, loops on the last row, envelopes that loop
// at their last point, slides that take the step to 0, and the widest song.
TEST(FuzzRegressions, SequencerEdgesStayInsideTheImage) {
    mxmb::Module m = song(32, {mxmb::Sample::looped8({0, 50, 100, 50}, 1)}, 2);
    m.initialSpeed = 1;
    m.initialTempo = 255;
    m.maxPeriod = 0x7FFF00;
    m.orders = {0, 1, 1, 0};
    m.restartOrder = 3;
    m.patterns.push_back(mxmb::Pattern::empty(5));
    mxmb::Instrument& ins = m.instruments[0];
    ins.volEnv = {{{1, 64}, {2, 0}, {0, 64}}, 200, 2, 2};
    ins.panEnv.points = {{32767, 0}, {0, 64}};
    ins.fadeOut = 65535;
    for (uint8_t c = 0; c < 32; ++c) {
        m.patterns[0].rows[0].push_back(mxmb::note(c, static_cast<uint8_t>(1 + 3 * c), 1));
        m.patterns[0].rows[1].push_back(mxmb::effect(c, c % 2 ? 0x02 : 0x15, 0xFF));  // slide down / set envelope
    }
    m.patterns[1].rows[0] = {mxmb::effect(0, 0x0D, 0x99), mxmb::effect(1, mxmb::extended(0x6), 0)};
    m.patterns[1].rows[4] = {mxmb::effect(0, mxmb::extended(0x6), 3), mxmb::effect(1, 0x0B, 1),
                             mxmb::effect(2, 0x0D, 0x64), mxmb::effect(3, mxmb::extended(0xE), 15),
                             mxmb::effect(4, 0x0F, 0x1F)};
    Bytes bytes = mxmb::build(m);
    EXPECT_TRUE(exerciseModule(bytes.data(), bytes.size(), 6 * SECONDS));
}

}  // namespace
