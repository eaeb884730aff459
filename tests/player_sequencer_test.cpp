// Order walk, jumps, loops and delays; starting notes.
#include <gtest/gtest.h>

#include "format.h"
#include "player_test_util.h"

using mxmb::extended;
using mxmb::letter;
using Pos = std::pair<uint32_t, uint32_t>;

namespace {

std::vector<Pos> walk(Song& song, int rows) {
    std::vector<Pos> seen;
    for (int i = 0; i < rows; ++i) {
        song.rows(1);
        seen.push_back(song.at());
    }
    return seen;
}

}  // namespace

TEST(PlayerOrderWalk, RowsEverySpeedTicksAndRestartAfterTheLastOrder) {
    mxmb::Module m = testModule(2);
    m.orders = {0, 1, 0};
    m.restartOrder = 1;
    Song song(m);
    song.tick(6);
    EXPECT_EQ(song.at(), Pos(0, 0));
    song.tick();  // the 7th call at speed 6
    EXPECT_EQ(song.at(), Pos(0, 1));
    EXPECT_EQ(walk(song, 6), (std::vector<Pos>{{1, 0}, {1, 1}, {2, 0}, {2, 1}, {1, 0}, {1, 1}}));
}

TEST(PlayerOrderWalk, PatternLoopsAndTheLoopStateAcrossPatterns) {
    mxmb::Module m = testModule(12);
    m.orders = {0, 0};
    m.patterns[0].rows[4] = {mxmb::effect(1, extended(6), 0)};
    m.patterns[0].rows[8] = {mxmb::effect(1, extended(6), 2)};
    Song song(m);
    std::vector<Pos> expected;
    for (uint32_t r : {0, 1, 2, 3, 4, 5, 6, 7, 8, 4, 5, 6, 7, 8, 4, 5, 6, 7, 8, 9, 10, 11}) expected.push_back({0, r});
    EXPECT_EQ(walk(song, 22), expected);
    // The next order holds the same pattern: its loop state still starts afresh.
    song.ch(1).loopCount = 5;
    song.rows(1);
    EXPECT_EQ(song.at(), Pos(1, 0));
    EXPECT_EQ(song.ch(1).loopRow, 0);
    EXPECT_EQ(song.ch(1).loopCount, 0);
}

TEST(PlayerOrderWalk, JumpsAndBreaksInChannelOrder) {
    mxmb::Module m = testModule(40);
    m.orders = {0, 1, 2, 0};
    m.patterns.push_back(mxmb::Pattern::empty(40));
    m.patterns[0].rows[35] = {mxmb::note(0, 49, 1)};
    m.patterns[0].rows[0] = {mxmb::effect(0, letter('D'), 0x05), mxmb::effect(1, letter('B'), 2)};  // B wins
    m.patterns[2].rows[0] = {mxmb::effect(0, letter('B'), 3),
                             mxmb::effect(1, letter('D'), 0x32)};   // B's order, D's row
    m.patterns[0].rows[32] = {mxmb::effect(2, letter('D'), 0x35)};  // past the last order: restart order 0
    Song song(m);
    EXPECT_EQ(walk(song, 4), (std::vector<Pos>{{0, 0}, {2, 0}, {3, 32}, {0, 35}}));
    EXPECT_EQ(song.ch(0).active, 1);  // the skip landed on the right row
    // A break to a row the target pattern lacks starts it at row 0, and reads that row.
    mxmb::Module n = testModule(16);
    n.patterns[0].rows[0] = {mxmb::effect(0, letter('D'), 0x20)};
    n.patterns[1].rows[0] = {mxmb::note(3, 49, 1)};
    Song small(n);
    EXPECT_EQ(walk(small, 2), (std::vector<Pos>{{0, 0}, {1, 0}}));
    EXPECT_EQ(small.ch(3).active, 1);
}

TEST(PlayerOrderWalk, PatternDelayRepeatsTheRowWithoutRestartingNotes) {
    mxmb::Module m = testModule();
    m.initialSpeed = 5;
    m.patterns[0].rows[0] = {withEffect(mxmb::note(0, 49, 1), extended(0xE), 2)};
    Song song(m);
    song.tick();
    EXPECT_EQ(song.ch(0).restartPos, 0);
    song.ch(0).restartPos = -1;  // as the mixer leaves it
    song.tick(14);
    EXPECT_EQ(song.at(), Pos(0, 0));  // 3 × 5 ticks on the row
    EXPECT_EQ(song.ch(0).restartPos, -1);
    song.tick();
    EXPECT_EQ(song.at(), Pos(0, 1));
}

TEST(PlayerNotes, InstrumentAloneNoteAloneAndKeyOff) {
    mxmb::Module m = testModule();
    m.instruments.push_back(plainInstrument(20));
    m.instruments[1].volEnv.points = {{4, 64}, {0, 0}};
    m.instruments[1].samples[0].panning = 200;
    m.patterns[0].rows[0] = {withEffect(mxmb::note(0, 49, 2), letter('C'), 50)};
    m.patterns[0].rows[1] = {mxmb::note(0, 0, 2)};                                // instrument alone
    m.patterns[0].rows[2] = {withEffect(mxmb::note(0, 61, 0), letter('C'), 33)};  // note alone
    m.patterns[0].rows[3] = {mxmb::keyOff(0)};
    Song song(m);
    song.rows(1);
    song.tick(3);
    song.ch(0).restartPos = -1;
    song.ch(0).panning = 10;
    song.rows(1);  // resets volume, panning and envelope, keeps the voice playing
    EXPECT_EQ(song.ch(0).restartPos, -1);
    EXPECT_EQ(song.ch(0).volume, 20);
    EXPECT_EQ(song.ch(0).panning, 200);
    EXPECT_EQ(song.ch(0).volEnvTick, 1);

    song.ch(0).panning = 10;
    song.rows(1);  // restarts the sample at the new pitch, keeps volume and panning
    EXPECT_EQ(song.ch(0).restartPos, 0);
    EXPECT_EQ(song.ch(0).period, -3072);
    EXPECT_EQ(song.ch(0).volume, 33);
    EXPECT_EQ(song.ch(0).panning, 10);

    song.rows(1);  // key-off with a volume envelope: released, fade not cut
    EXPECT_EQ(song.ch(0).keyHeld, 0);
    EXPECT_EQ(song.ch(0).fadeVolume, 32768);
}

TEST(PlayerNotes, KeyOffWithoutEnvelopeSampleMapAndCellScope) {
    mxmb::Module m = testModule();
    m.instruments[0].sampleMap[60] = 3;  // note 61 has no sample
    m.patterns[0].rows[0] = {mxmb::note(0, 49, 1), mxmb::note(1, 61, 1), mxmb::effect(3, letter('A'), 1)};
    m.patterns[0].rows[1] = {mxmb::keyOff(0), withEffect(mxmb::note(1, 49, 0), letter('K'), 0)};
    Song song(m);
    song.tick();
    EXPECT_EQ(song.ch(1).active, 0);
    EXPECT_EQ(song.ch(2).effect, mxm::NO_EFFECT);
    EXPECT_EQ(song.ch(3).effect, letter('A'));
    song.rows(1);
    EXPECT_EQ(song.ch(0).mixVolume, 0);  // silent on the key-off row itself
    EXPECT_EQ(song.ch(1).active, 1);     // K00 beside a note: released, the note still starts
    EXPECT_EQ(song.ch(1).keyHeld, 0);
}
