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

// Period and step of notes 1, 49 and 61 on channels 0-2; channel 3 plays note 49 half a
// semitone up (relative pitch 128; steps are even). The song pins only ordinary linear notes.
TEST(PlayerPitch, NotePeriodsInBothModels) {
    for (bool isLinear : {true, false}) {
        mxmb::Module m =
            rowsModule({{mxmb::note(0, 1, 1), mxmb::note(1, 49, 1), mxmb::note(2, 61, 1), mxmb::note(3, 49, 2)}});
        m.linearPeriods = isLinear;
        m.maxPeriod = isLinear ? m.maxPeriod : 200000;
        m.instruments.push_back(plainInstrument());
        m.instruments[1].samples[0].relativePitch = 128;
        Song song(m);
        song.tick();
        V seen;
        for (int c = 0; c < 4; ++c) seen.insert(seen.end(), {song.ch(c).period, song.ch(c).step});
        const V linear = {12288, 12, 0, 194, -3072, 388, -128, 198},
                amiga = {109568, 12, 6848, 194, 3424, 388, 6653, 198};
        EXPECT_EQ(seen, isLinear ? linear : amiga);
    }
}
