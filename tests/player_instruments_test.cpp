// Instrument processing: volume scaling, fade-out, envelopes (with loops, sustain,
// set positions and degenerate segments) and auto-vibrato.
#include <gtest/gtest.h>

#include <algorithm>

#include "player_test_util.h"

using mxmb::effect;
using mxmb::letter;
using mxmb::note;

namespace {

mxmb::Envelope env(std::vector<mxmb::EnvPoint> points, uint8_t sustain = 255, uint8_t loopStart = 0,
                   uint8_t loopEnd = 255) {
    return {std::move(points), sustain, loopStart, loopEnd};
}

mxmb::Module withInstrument(const mxmb::Instrument& ins, std::vector<mxmb::Row> rows) {
    mxmb::Module m = rowsModule(std::move(rows));
    m.instruments = {ins};
    return m;
}

// Volume and panning envelope values on channel 0 for `ticks` ticks (full volume,
// so the volume envelope's value is mixVolume / 2).
std::vector<V> envelopes(Song& song, int ticks) {
    return song.trace(ticks, 1, {[&] { return song.ch(0).mixVolume / 2; }, [&] { return int(song.ch(0).mixPan); }});
}

}  // namespace

TEST(PlayerInstruments, VolumeScalingAndFadeOut) {
    mxmb::Instrument ins = plainInstrument();
    ins.fadeOut = 65535;
    ins.volEnv = env({{1, 64}, {0, 64}});
    mxmb::Module m = withInstrument(ins, {{note(0, 49, 1), note(1, 49, 2), note(2, 49, 1)},
                                          {mxmb::keyOff(0), mxmb::keyOff(1)},
                                          {effect(2, letter('G'), 32)}});
    m.instruments.push_back(ins);
    m.instruments[1].fadeOut = 128;
    Song song(m);
    mxm::setMasterVolume(127);
    song.tick();
    EXPECT_EQ(song.ch(0).mixVolume, 254);
    mxm::setMasterVolume(64);
    song.rows(1);  // the key-off tick still sounds at the old fade
    EXPECT_EQ(song.ch(0).mixVolume, 128);
    EXPECT_EQ(song.ch(0).fadeVolume, 0);
    song.tick();
    EXPECT_EQ(song.ch(0).mixVolume, 0);
    song.rows(1);
    EXPECT_EQ(song.ch(2).mixVolume, 64);  // global volume 32
    song.tick(248);
    EXPECT_EQ(song.ch(1).fadeVolume, 128);  // fade-out 128: 256 ticks from full to silence
    song.tick();
    EXPECT_EQ(song.ch(1).fadeVolume, 0);
}

TEST(PlayerInstruments, EnvelopeInterpolationAndSustain) {
    mxmb::Instrument ins = plainInstrument();
    ins.volEnv = env({{15, 64}, {98, 0}, {0, 0}});
    Song falling(withInstrument(ins, {{note(0, 49, 1)}}));
    EXPECT_EQ(envelopes(falling, 17)[0], (V{64, 60, 56, 52, 47, 43, 39, 35, 30, 26, 22, 18, 13, 9, 5, 0, 0}));

    ins.volEnv = env({{2, 64}, {2, 64}, {7, 13}, {23, 6}, {9, 0}, {0, 0}}, 1);
    Song held(withInstrument(ins, {{note(0, 49, 1)}, {}, {}, {mxmb::keyOff(0)}}));
    EXPECT_EQ(envelopes(held, 18)[0], V(18, 64));  // held at the sustain point
    V released = envelopes(held, 50)[0];
    EXPECT_EQ(V(released.begin(), released.begin() + 12), (V{64, 39, 13, 12, 11, 10, 9, 8, 7, 6, 6, 6}));
    EXPECT_EQ(released.back(), 0);
}

TEST(PlayerInstruments, PanningEnvelopeMovesTowardsTheNearerEdge) {
    mxmb::Instrument right = plainInstrument(), left = plainInstrument();
    right.panEnv = env({{0, 64}});
    left.panEnv = env({{0, 0}});
    mxmb::Module m = withInstrument(right, {{note(0, 49, 1), withEffect(note(1, 49, 1), 8, 0),
                                             withEffect(note(2, 49, 2), 8, 255), withEffect(note(3, 49, 3), 8, 77)}});
    m.instruments.push_back(left);
    m.instruments.push_back(plainInstrument());  // envelopes switched off
    Song song(m);
    song.tick();
    for (int c = 0; c < 4; ++c) EXPECT_EQ(song.ch(c).mixPan, (V{255, 0, 255, 77}[c])) << c;
    song.ch(2).panning = 128;  // right of the middle: the nearer edge is 255
    song.tick();
    EXPECT_EQ(song.ch(2).mixPan, 1);
}

TEST(PlayerInstruments, AutoVibratoWithAndWithoutSweep) {
    mxmb::Instrument ins = plainInstrument();
    ins.autoVibDepth = 11;
    ins.autoVibRate = 64;
    mxmb::Module m = withInstrument(ins, {{note(0, 49, 1), note(1, 49, 2)}});
    m.instruments.push_back(ins);
    m.instruments[1].autoVibSweep = 10;
    Song song(m);
    std::vector<V> seen =
        song.trace(12, 1, {[&] { return song.ch(0).tickPeriod; }, [&] { return song.ch(1).tickPeriod; }});
    EXPECT_EQ(seen[0], (V{0, -44, 0, 44, 0, -44, 0, 44, 0, -44, 0, 44}));
    EXPECT_EQ(seen[1], (V{0, -4, 0, 13, 0, -22, 0, 30, 0, -39, 0, 44}));
    EXPECT_EQ(song.ch(0).period, 0);
}

TEST(PlayerInstruments, SetEnvelopePosition) {
    mxmb::Instrument ins = plainInstrument();
    ins.volEnv = env({{3, 64}, {5, 0}, {2, 32}, {0, 16}});
    ins.panEnv = env({{10, 32}, {0, 32}});
    Song song(withInstrument(ins, {{withEffect(note(0, 49, 1), letter('L'), 4)}, {effect(0, letter('L'), 100)}}));
    song.tick();                          // set to 4, shown, then advanced by the tick
    EXPECT_EQ(song.ch(0).mixVolume, 12);  // 0 + 32 × 1 / 5
    EXPECT_EQ(song.ch(0).volEnvTick, 2);
    EXPECT_EQ(song.ch(0).panEnvTick, 5);
    song.rows(1);  // beyond the end: the last point
    EXPECT_EQ(song.ch(0).mixVolume, 32);
    EXPECT_EQ(song.ch(0).volEnvPoint, 3u);
}

// A loop jump keeps its tick count; set by L past the loop-start segment's length, the
// segment must end at once with its end value instead of extrapolating for ever.
TEST(PlayerInstruments, LoopJumpIntoAShorterSegmentEndsIt) {
    mxmb::Instrument ins = plainInstrument();
    ins.volEnv = env({{2, 0}, {8, 64}, {0, 32}}, 255, 0, 1);
    ins.panEnv = ins.volEnv;
    Song song(withInstrument(ins, {{withEffect(note(0, 49, 1), letter('L'), 7)}}));
    std::vector<V> seen = envelopes(song, 5);
    EXPECT_EQ(seen[0], (V{64, 64, 32, 64, 32}));
    EXPECT_EQ(seen[1], (V{255, 255, 128, 255, 128}));
    EXPECT_EQ(song.ch(0).volEnvPoint, 1u);
    EXPECT_EQ(song.ch(0).panEnvTick, 0);
}

// Zero-length segments before the last point: end value at once, passed over, no division.
TEST(PlayerInstruments, ZeroLengthSegmentsArePassedOver) {
    mxmb::Instrument ins = plainInstrument();
    ins.volEnv = env({{3, 10}, {0, 50}, {4, 20}, {0, 40}});
    ins.panEnv = env({{1, 32}, {0, 64}, {0, 0}, {0, 32}});
    Song a(withInstrument(ins, {{note(0, 49, 1)}}));
    std::vector<V> seen = envelopes(a, 10);
    EXPECT_EQ(seen[0], (V{10, 23, 36, 20, 20, 25, 30, 35, 40, 40}));
    EXPECT_EQ(seen[1], (V{128, 1, 128, 128, 128, 128, 128, 128, 128, 128}));  // 64 lasts no time

    // A zero-length loop start, a zero-length sustain point, and a loop end on a
    // zero-length segment: values stay in range and the envelope keeps moving.
    ins.volEnv = env({{2, 0}, {0, 64}, {4, 32}, {0, 0}}, 255, 1, 2);
    ins.panEnv = env({{2, 0}, {0, 64}, {3, 32}, {0, 0}}, 1, 0, 1);
    Song b(withInstrument(ins, {{note(0, 49, 1)}, {}, {}, {mxmb::keyOff(0)}}));
    seen = envelopes(b, 40);
    EXPECT_EQ(V(seen[0].begin(), seen[0].begin() + 6), (V{0, 32, 32, 32, 32, 32}));
    EXPECT_LE(*std::max_element(seen[0].begin(), seen[0].end()), 64);
    EXPECT_EQ(b.ch(0).volEnvPoint, 2u);
    EXPECT_EQ(b.ch(0).mixPan, 1);  // released: through the zero-length loop end to the last point, 0
}
