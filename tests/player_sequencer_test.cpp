// Order walk, loops, breaks and delays; starting notes.
#include <gtest/gtest.h>

#include "player_test_util.h"

using mxmb::extended;
using mxmb::letter;
using Pos = std::pair<uint32_t, uint32_t>;

namespace {

std::vector<Pos> walk(Song& song, int rows) {
    std::vector<Pos> seen;
    for (int i = 0; i < rows; ++i) {
        song.row();
        seen.push_back({song.state->orderPos, song.state->row});
    }
    return seen;
}

}  // namespace

TEST(PlayerOrderWalk, RestartOrderFollowsTheLastOrder) {
    mxmb::Module m = testModule(2);
    m.orders = {0, 1, 0};
    m.restartOrder = 1;
    Song song(m);
    EXPECT_EQ(walk(song, 7), (std::vector<Pos>{{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {1, 0}}));
}

TEST(PlayerOrderWalk, PatternLoopStateStartsAfreshOnTheSamePatternAgain) {
    mxmb::Module m = testModule(3);
    m.orders = {0, 0};
    m.patterns[0].rows[1] = {mxmb::effect(1, extended(6), 1)};
    Song song(m);
    EXPECT_EQ(walk(song, 5), (std::vector<Pos>{{0, 0}, {0, 1}, {0, 0}, {0, 1}, {0, 2}}));
    song.ch(1).loopRow = 2;  // as a break out of a running loop would leave it
    song.ch(1).loopCount = 5;
    song.row();
    EXPECT_EQ(song.ch(1).loopRow, 0);
    EXPECT_EQ(song.ch(1).loopCount, 0);
}

TEST(PlayerOrderWalk, BreakToARowThePatternLacksStartsAtRowZero) {
    mxmb::Module m = testModule(16);
    m.patterns[0].rows[0] = {mxmb::effect(0, letter('D'), 0x20)};
    m.patterns[1].rows[0] = {mxmb::note(3, 49, 1)};
    Song song(m);
    EXPECT_EQ(walk(song, 2), (std::vector<Pos>{{0, 0}, {1, 0}}));
    EXPECT_EQ(song.ch(3).active, 1);  // and reads that row
}

TEST(PlayerOrderWalk, PatternDelayRepeatsTheRowWithoutRestartingNotes) {
    mxmb::Module m = testModule();
    m.initialSpeed = 5;
    m.patterns[0].rows[0] = {withEffect(mxmb::note(0, 49, 1), extended(0xE), 2)};
    Song song(m);
    song.tick();
    song.ch(0).restartPos = -1;  // as the mixer leaves it
    song.tick(14);
    EXPECT_EQ(song.state->row, 0u);  // 3 × 5 ticks on the row
    EXPECT_EQ(song.ch(0).restartPos, -1);
    song.tick();
    EXPECT_EQ(song.state->row, 1u);
}

TEST(PlayerNotes, InstrumentAloneNoteAloneAndKeyOff) {
    mxmb::Module m = testModule();
    m.instruments.push_back(plainInstrument(20));
    m.instruments[1].volEnv.points = {{4, 64}, {0, 0}};
    m.instruments[1].samples[0].panning = 200;
    m.patterns[0].rows[0] = {withEffect(mxmb::note(0, 49, 2), letter('C'), 50), mxmb::note(1, 49, 1)};
    m.patterns[0].rows[1] = {mxmb::note(0, 0, 2), mxmb::keyOff(1)};               // instrument alone
    m.patterns[0].rows[2] = {withEffect(mxmb::note(0, 61, 0), letter('C'), 33)};  // note alone
    m.patterns[0].rows[3] = {mxmb::keyOff(0)};
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
