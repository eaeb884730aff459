// Instrument processing: volume scaling, fade-out, envelopes (with loops, sustain,
// set positions and degenerate segments) and auto-vibrato.
#include <gtest/gtest.h>

#include "player_test_util.h"

using mxmb::effect;
using mxmb::letter;
using mxmb::note;
using V = std::vector<int>;

namespace {

mxmb::Envelope env(std::vector<mxmb::EnvPoint> points, uint8_t sustain = 255, uint8_t loopStart = 0,
                   uint8_t loopEnd = 255) {
    mxmb::Envelope e;
    e.points = std::move(points);
    e.sustain = sustain;
    e.loopStart = loopStart;
    e.loopEnd = loopEnd;
    return e;
}

mxmb::Module instrumentModule(const mxmb::Instrument& ins, std::vector<mxmb::Row> rows, uint8_t speed = 6) {
    mxmb::Module m = testModule(64);
    m.initialSpeed = speed;
    m.instruments = {ins};
    for (size_t i = 0; i < rows.size(); ++i) m.patterns[0].rows[i] = rows[i];
    return m;
}

// The volume envelope's value on successive ticks (full volume: mixVolume = 2 × value).
V volumeEnvelope(Song& song, int ticks) {
    V seen;
    for (int i = 0; i < ticks; ++i) {
        song.tick();
        EXPECT_LE(song.ch(0).mixVolume, 128);
        seen.push_back(song.ch(0).mixVolume / 2);
    }
    return seen;
}

}  // namespace

TEST(PlayerInstruments, VolumeScalingAndFadeOut) {
    mxmb::Instrument ins = plainInstrument();
    ins.fadeOut = 65535;
    ins.volEnv = env({{1, 64}, {0, 64}});
    mxmb::Instrument slow = ins;
    slow.fadeOut = 128;
    mxmb::Module m = instrumentModule(ins, {{note(0, 49, 1), note(1, 49, 2), note(2, 49, 1)},
                                            {mxmb::keyOff(0), mxmb::keyOff(1)},
                                            {effect(2, letter('G'), 32)}});
    m.instruments.push_back(slow);
    Song song(m);
    song.tick();
    EXPECT_EQ(song.ch(0).mixVolume, 128);
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

TEST(PlayerInstruments, EnvelopeInterpolationSustainAndLoop) {
    mxmb::Instrument falling = plainInstrument();
    falling.volEnv = env({{15, 64}, {98, 0}, {0, 0}});
    Song a(instrumentModule(falling, {{note(0, 49, 1)}}));
    V expected;
    for (int t = 0; t < 15; ++t) expected.push_back(64 - 64 * t / 15);
    expected.insert(expected.end(), 5, 0);
    EXPECT_EQ(volumeEnvelope(a, 20), expected);

    mxmb::Instrument sustained = plainInstrument();
    sustained.volEnv = env({{2, 64}, {2, 64}, {7, 13}, {23, 6}, {9, 0}, {0, 0}}, 1);
    mxmb::Module m = instrumentModule(sustained, {{note(0, 49, 1)}, {}, {}, {mxmb::keyOff(0)}});
    Song b(m);
    EXPECT_EQ(volumeEnvelope(b, 18), V(18, 64));  // held at the sustain point
    V afterRelease = volumeEnvelope(b, 50);
    EXPECT_EQ(V(afterRelease.begin(), afterRelease.begin() + 12), (V{64, 39, 13, 12, 11, 10, 9, 8, 7, 6, 6, 6}));
    EXPECT_EQ(afterRelease.back(), 0);

    mxmb::Instrument looped = plainInstrument();
    looped.volEnv = env({{2, 0}, {2, 64}, {4, 32}, {0, 16}}, 255, 1, 2);
    Song c(instrumentModule(looped, {{note(0, 49, 1)}}));
    EXPECT_EQ(volumeEnvelope(c, 9), (V{0, 32, 64, 48, 32, 48, 32, 48, 32}));
}

TEST(PlayerInstruments, PanningEnvelopeMovesTowardsTheNearerEdge) {
    mxmb::Instrument right = plainInstrument();
    right.panEnv = env({{0, 64}});
    mxmb::Instrument left = plainInstrument();
    left.panEnv = env({{0, 0}});
    mxmb::Instrument off = plainInstrument();  // both envelopes switched off
    mxmb::Module m = instrumentModule(right, {{note(0, 49, 1), withEffect(note(1, 49, 1), 8, 0),
                                               withEffect(note(2, 49, 2), 8, 255), withEffect(note(3, 49, 3), 8, 77)}});
    m.instruments.push_back(left);
    m.instruments.push_back(off);
    Song song(m);
    song.tick();
    EXPECT_EQ(song.ch(0).mixPan, 255);
    EXPECT_EQ(song.ch(1).mixPan, 0);
    EXPECT_EQ(song.ch(2).mixPan, 255);
    EXPECT_EQ(song.ch(3).mixPan, 77);
    EXPECT_EQ(song.ch(3).mixVolume, 128);
    song.ch(2).panning = 128;
    song.tick();
    EXPECT_EQ(song.ch(2).mixPan, 1);
}

TEST(PlayerInstruments, AutoVibratoWithAndWithoutSweep) {
    mxmb::Instrument ins = plainInstrument();
    ins.autoVibDepth = 11;
    ins.autoVibRate = 64;
    mxmb::Instrument swept = ins;
    swept.autoVibSweep = 10;
    mxmb::Module m = instrumentModule(ins, {{note(0, 49, 1), note(1, 49, 2)}});
    m.instruments.push_back(swept);
    Song song(m);
    V full, growing;
    for (int t = 0; t < 12; ++t) {
        song.tick();
        full.push_back(song.ch(0).tickPeriod);
        growing.push_back(song.ch(1).tickPeriod);
    }
    EXPECT_EQ(full, (V{0, -44, 0, 44, 0, -44, 0, 44, 0, -44, 0, 44}));
    EXPECT_EQ(growing, (V{0, -4, 0, 13, 0, -22, 0, 30, 0, -39, 0, 44}));
    EXPECT_EQ(song.ch(0).period, 0);
}

TEST(PlayerInstruments, SetEnvelopePosition) {
    mxmb::Instrument ins = plainInstrument();
    ins.volEnv = env({{3, 64}, {5, 0}, {2, 32}, {0, 16}});
    ins.panEnv = env({{10, 32}, {0, 32}});
    Song song(instrumentModule(ins, {{withEffect(note(0, 49, 1), letter('L'), 4)}, {effect(0, letter('L'), 100)}}));
    song.tick();                          // set to 4, shown, then advanced by the tick
    EXPECT_EQ(song.ch(0).mixVolume, 12);  // 0 + 32 × 1 / 5
    EXPECT_EQ(song.ch(0).volEnvPoint, 1u);
    EXPECT_EQ(song.ch(0).volEnvTick, 2);
    EXPECT_EQ(song.ch(0).panEnvTick, 5);
    song.rows(1);  // beyond the end: the last point
    EXPECT_EQ(song.ch(0).mixVolume, 32);
    EXPECT_EQ(song.ch(0).volEnvPoint, 3u);
    EXPECT_EQ(song.ch(0).panEnvPoint, 1u);
    EXPECT_EQ(song.ch(0).panEnvTick, 0);
}

// A loop jump keeps its tick count; set by L past the loop-start segment's length, the
// segment must end at once with its end value instead of extrapolating for ever.
TEST(PlayerInstruments, LoopJumpIntoAShorterSegmentEndsIt) {
    mxmb::Instrument ins = plainInstrument();
    ins.volEnv = env({{2, 0}, {8, 64}, {0, 32}}, 255, 0, 1);
    ins.panEnv = ins.volEnv;
    Song song(instrumentModule(ins, {{withEffect(note(0, 49, 1), letter('L'), 7)}}));
    V volume, pan;
    for (int t = 0; t < 5; ++t) {
        song.tick();
        volume.push_back(song.ch(0).mixVolume / 2);
        pan.push_back(song.ch(0).mixPan);
    }
    EXPECT_EQ(volume, (V{64, 64, 32, 64, 32}));
    EXPECT_EQ(pan, (V{255, 255, 128, 255, 128}));
    EXPECT_EQ(song.ch(0).volEnvPoint, 1u);
    EXPECT_EQ(song.ch(0).panEnvTick, 0);
}

// Zero-length segments before the last point: end value at once, passed over, no division.
TEST(PlayerInstruments, ZeroLengthSegmentsArePassedOver) {
    mxmb::Instrument step = plainInstrument();
    step.volEnv = env({{3, 10}, {0, 50}, {4, 20}, {0, 40}});
    step.panEnv = env({{1, 32}, {0, 64}, {0, 0}, {0, 32}});
    Song a(instrumentModule(step, {{note(0, 49, 1)}}));
    V volume, pan;
    for (int t = 0; t < 10; ++t) {
        a.tick();
        volume.push_back(a.ch(0).mixVolume / 2);
        pan.push_back(a.ch(0).mixPan);
    }
    EXPECT_EQ(volume, (V{10, 23, 36, 20, 20, 25, 30, 35, 40, 40}));
    EXPECT_EQ(pan, (V{128, 1, 128, 128, 128, 128, 128, 128, 128, 128}));  // 64 lasts no time

    // A zero-length loop start, a zero-length sustain point, and a loop end on a
    // zero-length segment: values stay in range and the envelope keeps moving.
    mxmb::Instrument looped = plainInstrument();
    looped.volEnv = env({{2, 0}, {0, 64}, {4, 32}, {0, 0}}, 255, 1, 2);
    looped.panEnv = env({{2, 0}, {0, 64}, {3, 32}, {0, 0}}, 1, 0, 1);
    Song b(instrumentModule(looped, {{note(0, 49, 1)}, {}, {}, {mxmb::keyOff(0)}}));
    V seen = volumeEnvelope(b, 40);
    EXPECT_EQ(V(seen.begin(), seen.begin() + 6), (V{0, 32, 32, 32, 32, 32}));
    EXPECT_EQ(b.ch(0).volEnvPoint, 2u);
    EXPECT_LT(b.ch(0).panEnvPoint, 4u);
    EXPECT_EQ(b.ch(0).mixPan, 1);  // released: through the zero-length loop end to the last point, 0
}
