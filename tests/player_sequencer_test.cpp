// Order walk, loops, breaks and delays; starting notes.
#include <gtest/gtest.h>

#include "player_test_util.h"

using mxmb::extended;
using mxmb::letter;
using Pos = std::pair<uint32_t, uint32_t>;

// Order position and row after each of the first rows read.
TEST(PlayerOrderWalk, RestartsLoopsAndBreaks) {
    const struct {
        const char* what;
        int patternRows;
        void (*setUp)(mxmb::Module&);
        std::vector<Pos> walk;
    } cases[] = {
        {"restart order follows the last order",
         2,
         [](mxmb::Module& m) {
             m.orders = {0, 1, 0};
             m.restartOrder = 1;
         },
         {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {1, 0}}},
        // The loop state starts afresh on a new order, even of the same pattern.
        {"E61 loops once, then the same pattern again",
         3,
         [](mxmb::Module& m) {
             m.orders = {0, 0};
             m.patterns[0].rows[1] = {mxmb::effect(1, extended(6), 1)};
         },
         {{0, 0}, {0, 1}, {0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 0}}},
        {"a break to a row the pattern lacks starts at row 0",
         16,
         [](mxmb::Module& m) { m.patterns[0].rows[0] = {mxmb::effect(0, letter('D'), 0x20)}; },
         {{0, 0}, {1, 0}, {1, 1}}},
        {"B jumps, D breaks to decimal row 12",
         16,
         [](mxmb::Module& m) {
             m.orders = {0, 1, 0};
             m.patterns[0].rows[1] = {mxmb::effect(0, letter('B'), 2), mxmb::effect(1, letter('D'), 0x12)};
         },
         {{0, 0}, {0, 1}, {2, 12}, {2, 13}}},
    };
    for (const auto& c : cases) {
        mxmb::Module m = rowsModule({}, 6, c.patternRows);
        c.setUp(m);
        Song song(m);
        std::vector<Pos> seen;
        for (size_t i = 0; i < c.walk.size(); ++i) {
            song.row();
            seen.push_back({song.state->orderPos, song.state->row});
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

TEST(PlayerNotes, InstrumentAloneNoteAloneAndKeyOff) {
    mxmb::Module m = rowsModule({
        {withEffect(mxmb::note(0, 49, 2), letter('C'), 50), mxmb::note(1, 49, 1)},
        {mxmb::note(0, 0, 2), mxmb::keyOff(1)},               // instrument alone
        {withEffect(mxmb::note(0, 61, 0), letter('C'), 33)},  // note alone
        {mxmb::keyOff(0)},
    });
    m.instruments.push_back(plainInstrument(20));
    m.instruments[1].volEnv.points = {{4, 64}, {0, 0}};
    m.instruments[1].samples[0].panning = 200;
    Song song(m);
    song.row();
    song.tick(3);
    song.ch(0).restartPos = -1;
    song.ch(0).panning = 10;
    song.row();  // resets volume, panning and envelope, keeps the voice playing
    EXPECT_EQ((V{song.ch(0).restartPos, song.ch(0).volume, song.ch(0).panning, song.ch(0).volEnvTick}),
              (V{-1, 20, 200, 1}));
    EXPECT_EQ(song.ch(1).mixVolume, 0);  // key-off without a volume envelope: silent at once

    song.ch(0).panning = 10;
    song.row();  // restarts the sample at the new pitch, keeps panning
    EXPECT_EQ((V{song.ch(0).restartPos, song.ch(0).period, song.ch(0).volume, song.ch(0).panning}),
              (V{0, -3072, 33, 10}));

    song.row();  // key-off with a volume envelope: released, fade not cut
    EXPECT_EQ(song.ch(0).keyHeld, 0);
    EXPECT_EQ(song.ch(0).fadeVolume, 32768);
}
