// Untrusted inputs end to end: every input a fuzzer once broke (data/fuzz-regressions) and
// every seed (data/fuzz-seeds) through the fuzz targets' own functions (fuzz/exercise.h), and
// a valid module on the loop edges. Under the address sanitizer any stray access shows.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "player_test_util.h"
#include "tests/fuzz/exercise.h"

namespace {

struct Target {
    const char* name;
    bool (*exercise)(const uint8_t*, size_t);
};

const Target TARGETS[] = {{"module", exerciseModuleInput},         {"song", exerciseSongText},
                          {"instruments", exerciseInstrumentText}, {"pixelart", exercisePixelArt},
                          {"replay", exerciseReplayScript},        {"texture", exerciseTexture}};

// Each target's stored inputs under `folder`; returns how many ran.
int replayAll(const std::string& folder) {
    int count = 0;
    for (const Target& t : TARGETS) {
        std::filesystem::path dir = std::string(SKARVO_TEST_DATA) + "/" + folder + "/" + t.name;
        if (!std::filesystem::is_directory(dir)) continue;
        for (const auto& e : std::filesystem::directory_iterator(dir)) {
            std::ifstream f(e.path(), std::ios::binary);
            std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
            EXPECT_TRUE(t.exercise(bytes.data(), bytes.size())) << e.path();
            ++count;
        }
    }
    return count;
}

TEST(FuzzRegressions, StoredInputsRunClean) {
    EXPECT_GT(replayAll("fuzz-regressions"), 0);
    EXPECT_GT(replayAll("fuzz-seeds"), 0);
}

// Ping-pong and forward loops from the first point, a zero-length loop and 16-bit data
// ending the image, driven by sample offsets past the end, retriggers and the highest pitches.
TEST(FuzzRegressions, LoopEdgesStayInsideTheImage) {
    mxmb::Sample ping8 = mxmb::Sample::oneShot8({5, -5, 5}), ping16 = mxmb::Sample::oneShot16({-32768, 32767, -32768});
    ping8.flags = ping16.flags = 0x10;
    ping8.loopStart = 2;
    ping16.relativePitch = 32767;
    mxmb::Module m;
    m.initialSpeed = 2;
    m.orders = {0};
    m.patterns.push_back(mxmb::Pattern::empty(32));
    // 16-bit last, so its stored point at the loop end is the image's last two bytes.
    for (const mxmb::Sample& s :
         {mxmb::Sample::looped8({-128, 127, -128, 127}, 0), mxmb::Sample::looped8({1, 2, 3}, 3), ping8, ping16})
        m.instruments.emplace_back().samples.push_back(s);
    const uint8_t effects[4] = {0x09, mxmb::extended(0x9), 0x1B, 0x00};  // 9, E9, R, arpeggio
    for (int r = 0; r < 32; ++r)
        for (uint8_t c = 0; c < 4; ++c) {
            mxmb::Cell note = mxmb::note(c, static_cast<uint8_t>(96 - r), static_cast<uint8_t>(1 + (c + r) % 4));
            m.patterns[0].rows[r].push_back(withEffect(note, effects[(r + c) % 4], r % 2 ? 0xFF : 0x11));
        }
    std::vector<uint8_t> bytes = mxmb::build(m);
    EXPECT_TRUE(exerciseModule(bytes.data(), bytes.size(), 4 * 44100));
}

}  // namespace
