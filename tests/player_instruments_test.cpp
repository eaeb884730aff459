// Instrument processing at its limits: master and global volume, the end of a fade-out,
// envelope loops and degenerate segments. (The game's song pins ordinary envelopes,
// sustain, fade-out and auto-vibrato.)
#include <gtest/gtest.h>

#include "player_test_util.h"

using mxmb::letter;
using mxmb::note;

namespace {

// `ins` playing a note (`first`) on channel 0 from row 0, then `rows`.
Song playing(const mxmb::Instrument& ins, mxmb::Cell first, std::vector<mxmb::Row> rows = {}) {
    rows.insert(rows.begin(), {first});
    mxmb::Module m = rowsModule(std::move(rows));
    m.instruments = {ins};
    return Song(m);
}

// Volume envelope value (at full volume, mixVolume / 2) and panning on channel 0, `ticks` ticks.
std::vector<V> envelopes(Song& song, int ticks) {
    return song.trace(ticks, 1, {[&] { return song.ch(0).mixVolume / 2; }, song.of(0, &CR::mixPan)});
}

}  // namespace

TEST(PlayerInstruments, VolumeScalingAndFadeOutEnd) {
    mxmb::Instrument ins = plainInstrument();
    ins.fadeOut = 128;
    ins.volEnv.points = {{1, 64}, {0, 64}};
    Song song = playing(ins, note(0, 49, 1), {{mxmb::keyOff(0), withEffect(note(1, 49, 1), letter('G'), 32)}});
    mxm::setMasterVolume(*song.state, 127);
    song.tick();
    EXPECT_EQ(song.ch(0).mixVolume, 254);
    mxm::setMasterVolume(*song.state, 64);
    song.row();
    EXPECT_EQ(song.ch(1).mixVolume, 64);  // global volume 32
    song.tick(254);
    EXPECT_EQ(song.ch(0).fadeVolume, 128);  // 256 ticks from full to silence, and no further
    song.tick(2);
    EXPECT_EQ(song.ch(0).fadeVolume, 0);
}

// A loop jump keeps its tick count; set by L past the loop-start segment's length, the
// segment must end at once with its end value instead of extrapolating for ever.
TEST(PlayerInstruments, LoopJumpIntoAShorterSegmentEndsIt) {
    mxmb::Instrument ins = plainInstrument();
    ins.volEnv = {{{2, 0}, {8, 64}, {0, 32}}, 255, 0, 1};
    Song song = playing(ins, withEffect(note(0, 49, 1), letter('L'), 7));
    EXPECT_EQ(envelopes(song, 5)[0], (V{64, 64, 32, 64, 32}));
}

// Zero-length segments before the last point: end value at once, passed over, no division.
TEST(PlayerInstruments, ZeroLengthSegmentsArePassedOver) {
    mxmb::Instrument ins = plainInstrument();
    ins.volEnv.points = {{3, 10}, {0, 50}, {4, 20}, {0, 40}};
    ins.panEnv.points = {{1, 32}, {0, 64}, {0, 0}, {0, 32}};
    Song song = playing(ins, note(0, 49, 1));
    std::vector<V> seen = envelopes(song, 10);
    EXPECT_EQ(seen[0], (V{10, 23, 36, 20, 20, 25, 30, 35, 40, 40}));
    EXPECT_EQ(seen[1], (V{128, 1, 128, 128, 128, 128, 128, 128, 128, 128}));  // 64 lasts no time
}
