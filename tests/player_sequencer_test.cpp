// Order walk, loops, breaks and delays; starting notes.
#include <gtest/gtest.h>

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
