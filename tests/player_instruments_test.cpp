// Instrument processing: volume scaling, fade-out, envelopes (with loops, sustain and
// degenerate segments) and auto-vibrato.
#include <gtest/gtest.h>

#include "player_test_util.h"

using mxmb::letter;
using mxmb::note;

namespace {

mxmb::Envelope env(std::vector<mxmb::EnvPoint> points, uint8_t sustain = 255, uint8_t loopStart = 0,
                   uint8_t loopEnd = 255) {
    return {std::move(points), sustain, loopStart, loopEnd};
}

// `ins` playing a note on channel 0 from row 0, then `rows`.
Song playing(const mxmb::Instrument& ins, mxmb::Cell first, std::vector<mxmb::Row> rows = {}) {
    rows.insert(rows.begin(), {first});
    mxmb::Module m = rowsModule(std::move(rows));
    m.instruments = {ins};
    return Song(m);
}

// Volume and panning envelope values on channel 0 for `ticks` ticks (full volume,
// so the volume envelope's value is mixVolume / 2).
std::vector<V> envelopes(Song& song, int ticks) {
    return song.trace(ticks, 1, {[&] { return song.ch(0).mixVolume / 2; }, [&] { return int(song.ch(0).mixPan); }});
}

}  // namespace

TEST(PlayerInstruments, VolumeScalingAndFadeOut) {
    mxmb::Instrument ins = plainInstrument();
    ins.fadeOut = 128;
    ins.volEnv = env({{1, 64}, {0, 64}});
    Song song = playing(ins, note(0, 49, 1), {{mxmb::keyOff(0), withEffect(note(1, 49, 1), letter('G'), 32)}});
    mxm::setMasterVolume(*song.state, 127);
    song.tick();
    EXPECT_EQ(song.ch(0).mixVolume, 254);
    mxm::setMasterVolume(*song.state, 64);
    song.row();
    EXPECT_EQ(song.ch(1).mixVolume, 64);  // global volume 32
    song.tick(254);
    EXPECT_EQ(song.ch(0).fadeVolume, 128);  // fade-out 128: 256 ticks from full to silence
    song.tick();
    EXPECT_EQ(song.ch(0).fadeVolume, 0);
}

TEST(PlayerInstruments, EnvelopeInterpolationAndSustain) {
    mxmb::Instrument ins = plainInstrument();
    ins.volEnv = env({{15, 64}, {98, 0}, {0, 0}});
    Song falling = playing(ins, note(0, 49, 1));
    EXPECT_EQ(envelopes(falling, 17)[0], (V{64, 60, 56, 52, 47, 43, 39, 35, 30, 26, 22, 18, 13, 9, 5, 0, 0}));

    ins.volEnv = env({{2, 64}, {2, 64}, {7, 13}, {23, 6}, {9, 0}, {0, 0}}, 1);
    Song held = playing(ins, note(0, 49, 1), {{}, {}, {mxmb::keyOff(0)}});
    EXPECT_EQ(envelopes(held, 18)[0], V(18, 64));  // held at the sustain point
    V released = envelopes(held, 12)[0];
    EXPECT_EQ(released, (V{64, 39, 13, 12, 11, 10, 9, 8, 7, 6, 6, 6}));
}

TEST(PlayerInstruments, AutoVibratoWithAndWithoutSweep) {
    mxmb::Instrument ins = plainInstrument();
    ins.autoVibDepth = 11;
    ins.autoVibRate = 64;
    mxmb::Module m = rowsModule({{note(0, 49, 1), note(1, 49, 2)}});
    m.instruments = {ins, ins};
    m.instruments[1].autoVibSweep = 10;
    Song song(m);
    std::vector<V> seen =
        song.trace(12, 1, {[&] { return song.ch(0).tickPeriod; }, [&] { return song.ch(1).tickPeriod; }});
    EXPECT_EQ(seen[0], (V{0, -44, 0, 44, 0, -44, 0, 44, 0, -44, 0, 44}));
    EXPECT_EQ(seen[1], (V{0, -4, 0, 13, 0, -22, 0, 30, 0, -39, 0, 44}));
}

// A loop jump keeps its tick count; set by L past the loop-start segment's length, the
// segment must end at once with its end value instead of extrapolating for ever.
TEST(PlayerInstruments, LoopJumpIntoAShorterSegmentEndsIt) {
    mxmb::Instrument ins = plainInstrument();
    ins.volEnv = env({{2, 0}, {8, 64}, {0, 32}}, 255, 0, 1);
    Song song = playing(ins, withEffect(note(0, 49, 1), letter('L'), 7));
    EXPECT_EQ(envelopes(song, 5)[0], (V{64, 64, 32, 64, 32}));
}

// Zero-length segments before the last point: end value at once, passed over, no division.
TEST(PlayerInstruments, ZeroLengthSegmentsArePassedOver) {
    mxmb::Instrument ins = plainInstrument();
    ins.volEnv = env({{3, 10}, {0, 50}, {4, 20}, {0, 40}});
    ins.panEnv = env({{1, 32}, {0, 64}, {0, 0}, {0, 32}});
    Song song = playing(ins, note(0, 49, 1));
    std::vector<V> seen = envelopes(song, 10);
    EXPECT_EQ(seen[0], (V{10, 23, 36, 20, 20, 25, 30, 35, 40, 40}));
    EXPECT_EQ(seen[1], (V{128, 1, 128, 128, 128, 128, 128, 128, 128, 128}));  // 64 lasts no time
}
