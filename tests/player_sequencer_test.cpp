// Loader and pitch models; order walk, loops, breaks and delays; starting notes.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "player/format.h"
#include "player_test_util.h"

using mxmb::effect;
using mxmb::extended;
using mxmb::letter;

// Order position × 100 + row after each of the first rows read, with `row1` on pattern 0's row 1.
TEST(PlayerOrderWalk, RestartsLoopsAndBreaks) {
    const struct {
        const char* what;
        int patternRows;
        std::vector<uint8_t> orders;
        uint32_t restart;
        mxmb::Row row1;
        V walk;
    } cases[] = {
        {"restart order 1 follows the last", 2, {0, 1, 0}, 1, {}, {0, 1, 100, 101, 200, 201, 100}},
        // The loop state starts afresh on a new order, even of the same pattern.
        {"E61 loops once", 3, {0, 0}, 0, {effect(1, extended(6), 1)}, {0, 1, 0, 1, 2, 100, 101, 100}},
        {"D to a row past the end: row 0", 16, {0, 1}, 0, {effect(0, letter('D'), 0x20)}, {0, 1, 100, 101}},
        // B02 (command 11) and D12 (13) on one row.
        {"B jumps, D's row is decimal", 16, {0, 1, 0}, 0, {effect(0, 11, 2), effect(1, 13, 0x12)}, {0, 1, 212, 213}},
    };
    for (const auto& c : cases) {
        mxmb::Module m = rowsModule({{}, c.row1}, 6, c.patternRows);
        m.orders = c.orders;
        m.restartOrder = c.restart;
        Song song(m);
        V seen;
        while (seen.size() < c.walk.size()) {
            song.row();
            seen.push_back(int(song.state->orderPos * 100 + song.state->row));
        }
        EXPECT_EQ(seen, c.walk) << c.what;
    }
}

TEST(PlayerOrderWalk, PatternDelayRepeatsTheRowWithoutRestartingNotes) {
    Song song(rowsModule({{withEffect(mxmb::note(0, 49, 1), extended(0xE), 2)}}, 5));
    song.tick();
    song.ch(0).restartPos = -1;  // as the mixer leaves it
    song.tick(14);
    EXPECT_EQ(song.state->row, 0u);  // 3 × 5 ticks on the row
    EXPECT_EQ(song.ch(0).restartPos, -1);
    song.tick();
    EXPECT_EQ(song.state->row, 1u);
}

// Instrument alone: volume, panning and envelope reset, the voice plays on. Key-off
// without a volume envelope: silent at once.
TEST(PlayerNotes, InstrumentAloneAndKeyOffWithoutEnvelope) {
    mxmb::Module m = rowsModule({{mxmb::note(0, 49, 2), mxmb::note(1, 49, 1)}, {mxmb::note(0, 0, 2), mxmb::keyOff(1)}});
    m.instruments.push_back(plainInstrument(20));
    m.instruments[1].volEnv.points = {{4, 64}, {0, 0}};
    m.instruments[1].samples[0].panning = 200;
    Song song(m);
    song.tick(4);
    song.ch(0).restartPos = -1;
    song.ch(0).volume = 50;
    song.ch(0).panning = 10;
    song.row();
    EXPECT_EQ((V{song.ch(0).restartPos, song.ch(0).volume, song.ch(0).panning, song.ch(0).volEnvTick}),
              (V{-1, 20, 200, 1}));
    EXPECT_EQ(song.ch(1).mixVolume, 0);
}

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
