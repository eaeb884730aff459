// Loader and the two pitch models.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "format.h"
#include "player_test_util.h"

TEST(PlayerLoader, DecodesDeltaSamplesOnceInPlace) {
    mxmb::Module m = rowsModule();
    m.deltaSamples = true;
    m.instruments[0].samples = {mxmb::Sample::oneShot8({5, -128, 127}), mxmb::Sample::oneShot16({1000, -32768, 32767})};
    Song song(m);
    const mxm::ModuleHeader& h = song.state->header;
    for (int load = 0; load < 2; ++load) {  // a second load must not decode again
        EXPECT_EQ(static_cast<int8_t>(h.sampleOffsets[0][1]), -128) << load;
        EXPECT_EQ(static_cast<int16_t>(mxm::read16(h.sampleOffsets[1] + 4)), 32767) << load;
        EXPECT_TRUE(mxm::loadModule(song.state.get(), song.bytes.data()));
    }
}

// Everything before the render driver's fields is cleared; the tick countdown is not.
TEST(PlayerLoader, WrongMagicLeavesTheStateClearedAndRefusesToStart) {
    std::vector<uint8_t> bytes = mxmb::build(rowsModule());
    bytes[mxm::HDR_MAGIC + 3] = 1;
    auto state = std::make_unique<mxm::PlayerState>();
    const size_t cleared = offsetof(mxm::PlayerState, tickCountdown);
    std::memset(static_cast<void*>(state.get()), 0xAB, cleared);
    state->tickCountdown = 12345;
    EXPECT_FALSE(mxm::loadModule(state.get(), bytes.data()));
    EXPECT_EQ(std::exchange(state->masterVolume, 0), 64);
    const uint8_t* raw = reinterpret_cast<const uint8_t*>(state.get());
    for (size_t i = 0; i < cleared; ++i) ASSERT_EQ(raw[i], 0) << "byte " << i;
    EXPECT_EQ(state->tickCountdown, 12345u);
    mxm::startSong(*state, 0);
    EXPECT_EQ(state->playing.load(), 0);
}

// Notes 1, 49 and 61 in both models, and half a semitone of relative pitch on channel 3.
TEST(PlayerPitch, NotePeriodsInBothModels) {
    const uint8_t notes[3] = {1, 49, 61};
    const int32_t periods[2][3] = {{12288, 0, -3072}, {109568, 6848, 3424}};
    const uint16_t steps[3] = {12, 194, 388};
    for (bool isLinear : {true, false}) {
        mxmb::Module m = rowsModule();
        m.linearPeriods = isLinear;
        m.maxPeriod = isLinear ? m.maxPeriod : 200000;
        m.instruments.push_back(plainInstrument());
        m.instruments[1].samples[0].relativePitch = 128;
        for (uint8_t c = 0; c < 3; ++c) m.patterns[0].rows[0].push_back(mxmb::note(c, notes[c], 1));
        m.patterns[0].rows[0].push_back(mxmb::note(3, 49, 2));
        Song song(m);
        song.tick();
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(song.ch(c).period, periods[isLinear ? 0 : 1][c]) << "note " << int(notes[c]);
            EXPECT_EQ(song.ch(c).step, steps[c]) << "note " << int(notes[c]);
        }
        EXPECT_EQ(song.ch(3).period, isLinear ? -128 : int32_t(mxm::pitchExp(128)));
    }
}
