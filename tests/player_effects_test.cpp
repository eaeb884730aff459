// Effect commands and the volume column, each family with its memory and clamps; instrument
// processing at its limits: master and global volume, the end of a fade-out, envelope loops
// and degenerate segments. (The game's song pins ordinary envelopes, sustain, fade-out and
// auto-vibrato, tone portamento, slides up and the volume column's set and slide down.)
#include <gtest/gtest.h>

#include <utility>

#include "player_test_util.h"

using mxmb::effect;
using mxmb::extended;
using mxmb::letter;
using mxmb::note;
using mxmb::volume;

TEST(PlayerEffects, VolumeSlidesAndTheirMemories) {
    Song song(rowsModule({
        {withEffect(note(0, 49, 1), letter('C'), 32), withVolume(note(1, 49, 1), 0x55),
         withEffect(note(2, 49, 1), letter('C'), 10), effect(3, letter('G'), 0x50)},
        {effect(0, letter('A'), 0x04), volume(1, 0x30), effect(2, extended(0xA), 3), effect(3, letter('G'), 20)},
        {effect(0, letter('A'), 0x00), volume(1, 0x62), effect(2, extended(0xA), 0), effect(3, letter('H'), 0x32)},
        {effect(0, 5, 0x20), volume(1, 0x60), effect(2, extended(0xB), 5), effect(3, letter('H'), 0)},
        {effect(0, letter('A'), 0x00), volume(1, 0x7F), effect(2, extended(0xB), 0), effect(3, letter('H'), 0x0F)},
        {effect(0, 6, 0x21), volume(1, 0x83), effect(2, letter('C'), 80)},
    }));
    std::vector<V> seen = song.trace(6, 6,
                                     {song.of(0, &CR::volume), song.of(1, &CR::volume), song.of(2, &CR::volume),
                                      [&] { return int(song.state->globalVolume); }});
    EXPECT_EQ(seen[0], (V{32, 12, 0, 10, 20, 30}));   // A, A00, 5 and 6 share the memory; up wins
    EXPECT_EQ(seen[1], (V{64, 32, 22, 22, 64, 61}));  // 0x55 sets 64; slides; fine down
    EXPECT_EQ(seen[2], (V{10, 13, 16, 11, 6, 64}));   // EA/EB memories; C clamps to 64
    EXPECT_EQ(seen[3], (V{64, 20, 35, 50, 0, 0}));    // G clamps; H up wins, remembers, clamps
}

TEST(PlayerEffects, PanningCommands) {
    Song song(rowsModule({{effect(0, 8, 0x40), volume(1, 0xC8)},
                          {effect(0, letter('P'), 0x02), volume(1, 0xE3)},
                          {effect(0, letter('P'), 0x21), volume(1, 0xDF)},
                          {effect(0, letter('P'), 0x00), volume(1, 0xDF)},
                          {effect(0, extended(8), 3), volume(1, 0xEF)},
                          {effect(0, 8, 0xFA)},
                          {effect(0, letter('P'), 0x0F)}}));
    std::vector<V> seen = song.trace(7, 6, {song.of(0, &CR::tickPanning), song.of(1, &CR::panning)});
    EXPECT_EQ(seen[0], (V{64, 74, 64, 54, 51, 250, 255}));  // P with both nibbles slides left
    EXPECT_EQ(seen[1], (V{136, 151, 76, 1, 76, 76, 76}));   // 0xC8 = 136; slides clamp at 0
}

TEST(PlayerEffects, PitchSlidesFineSlidesAndClamps) {
    std::vector<mxmb::Row> rows;
    for (mxmb::Cell c :
         {note(0, 49, 1), effect(0, 1, 0x10), effect(0, 1, 0x00), effect(0, 2, 0x08), effect(0, extended(1), 2),
          effect(0, extended(1), 0), effect(0, extended(2), 1), effect(0, letter('X'), 0x13),
          effect(0, letter('X'), 0x10), effect(0, letter('X'), 0x25), effect(0, 1, 0xFF), effect(0, 2, 0xFF)})
        rows.push_back({c});
    Song song(rowsModule(rows));
    EXPECT_EQ(song.trace(12, 6, {song.of(0, &CR::tickPeriod)})[0],
              (V{0, -1280, -2560, -1920, -1952, -1984, -1968, -1980, -1992, -1972, -18432, -18432 + 5 * 4080}));
}

TEST(PlayerEffects, TonePortamentoWithGlissando) {
    mxmb::Module m = rowsModule({{withEffect(note(0, 49, 1), extended(3), 1), note(1, 49, 1)},
                                 {withEffect(note(0, 51, 0), 3, 0x02), withVolume(note(1, 48, 0), 0xF8)}});
    m.instruments[0].samples[0].relativePitch = -64;  // whole notes at 64, -192, -448
    Song song(m);
    song.tick(6);
    song.ch(0).restartPos = -1;
    EXPECT_EQ(song.trace(6, 1, {song.of(0, &CR::tickPeriod)})[0], (V{64, 64, 64, 64, 64, -192}));
    EXPECT_EQ(song.ch(0).restartPos, -1);  // the note is a target, not a restart
    EXPECT_EQ(song.ch(1).period, 320);     // volume column F8: 8 × 256 a tick, stopped at the target
}

TEST(PlayerEffects, VibratoTremoloAndArpeggio) {
    Song song(rowsModule({{withEffect(note(0, 49, 1), 4, 0x8F), withEffect(withVolume(note(1, 49, 1), 0x30), 7, 0x4F),
                           withEffect(note(2, 49, 1), 0, 0x37)},
                          {effect(0, 4, 0), effect(1, extended(7), 3), effect(2, 0, 0x37)},
                          {effect(0, 4, 0), effect(1, 7, 0)}},
                         5));
    std::vector<V> seen =
        song.trace(15, 1, {song.of(0, &CR::tickPeriod), song.of(1, &CR::mixVolume), song.of(2, &CR::tickPeriod)});
    // Sine, depth 60, 16 positions per later tick; the shift rounds down (−2700 >> 3 = −338).
    EXPECT_EQ(seen[0], (V{0, 0, 180, 337, 442, 480, 480, 442, 337, 180, 0, 0, -180, -338, -443}));
    // Tremolo on volume 32 (shown ×2) clamps at 64; E73 only picks the ramp-down wave.
    EXPECT_EQ(seen[1], (V{64, 64, 108, 128, 128, 64, 64, 64, 64, 64, 4, 4, 0, 0, 0}));
    // Offsets 0, 3, 7 carry on across the row; row 2 has no arpeggio.
    EXPECT_EQ(seen[2], (V{0, -768, -1792, 0, -768, -1792, 0, -768, -1792, 0, 0, 0, 0, 0, 0}));
}

TEST(PlayerEffects, RetriggersCutsDelaysAndKeyOffTicks) {
    Song song(rowsModule({
        {withEffect(note(0, 49, 1), letter('R'), 0x82), withEffect(note(1, 49, 1), letter('R'), 0x71),
         withEffect(note(2, 49, 1), letter('K'), 1), withEffect(note(3, 49, 1), extended(0xC), 0)},
        {effect(0, letter('R'), 0), withEffect(note(1, 61, 1), extended(0xD), 2), effect(2, extended(9), 2),
         effect(3, extended(0xC), 2)},
        {withEffect(note(1, 49, 1), extended(0xD), 9), withEffect(note(3, 61, 1), extended(0xD), 0)},
    }));
    auto restarted = [&song](int c) {  // the mixer clears restartPos once it has taken it
        return [&song, c] { return std::exchange(song.ch(c).restartPos, -1) == 0; };
    };
    std::vector<V> seen = song.trace(18, 1,
                                     {restarted(0), restarted(2), song.of(1, &CR::volume), song.of(1, &CR::period),
                                      song.of(3, &CR::mixVolume), song.of(2, &CR::keyHeld)});
    EXPECT_EQ(seen[0], (V{1, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0}));  // R00 carries the count on
    EXPECT_EQ(seen[1], (V{1, 0, 0, 0, 0, 0, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0}));  // the note; E92 from tick 0
    // R71 halves on every second tick; ED2 restarts the note on tick 2 keeping the volume.
    EXPECT_EQ(V(seen[2].begin(), seen[2].begin() + 12), (V{64, 32, 32, 16, 16, 8, 8, 8, 8, 8, 8, 8}));
    EXPECT_EQ(V(seen[3].begin() + 6, seen[3].begin() + 9), (V{0, 0, -3072}));
    // EC0 never cuts, EC2 cuts on tick 2, ED0 plays at once.
    EXPECT_EQ(V(seen[4].begin() + 5, seen[4].begin() + 13), (V{128, 128, 128, 0, 0, 0, 0, 128}));
    EXPECT_EQ(seen[5][1], 0);  // K01 releases on tick 1
}

TEST(PlayerEffects, TremorSpeedTempoAndSync) {
    Song song(rowsModule({{withEffect(note(0, 49, 1), letter('T'), 0x11), effect(1, 0x0F, 0x1F), effect(2, 0x0F, 0x20)},
                          {effect(2, letter('W'), 0x10)},
                          {effect(2, extended(0xF), 5)}}));
    EXPECT_EQ(song.trace(6, 1, {song.of(0, &CR::mixVolume)})[0], (V{128, 128, 128, 0, 0, 128}));
    EXPECT_EQ((V{song.state->speed, int(song.state->tempo)}), (V{31, 32}));
    song.row();
    EXPECT_EQ(mxm::getSyncValue(*song.state), 0x10);
    song.row();
    EXPECT_EQ(mxm::getSyncValue(*song.state), 5);
}

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
// Zero-length segments before the last point: end value at once, passed over, no division.
TEST(PlayerInstruments, EnvelopeLoopJumpPastASegmentAndZeroLengthSegments) {
    mxmb::Instrument ins = plainInstrument();
    ins.volEnv = {{{2, 0}, {8, 64}, {0, 32}}, 255, 0, 1};
    Song looped = playing(ins, withEffect(note(0, 49, 1), letter('L'), 7));
    EXPECT_EQ(envelopes(looped, 5)[0], (V{64, 64, 32, 64, 32}));

    ins.volEnv = {{{3, 10}, {0, 50}, {4, 20}, {0, 40}}};
    ins.panEnv.points = {{1, 32}, {0, 64}, {0, 0}, {0, 32}};
    Song song = playing(ins, note(0, 49, 1));
    std::vector<V> seen = envelopes(song, 10);
    EXPECT_EQ(seen[0], (V{10, 23, 36, 20, 20, 25, 30, 35, 40, 40}));
    EXPECT_EQ(seen[1], (V{128, 1, 128, 128, 128, 128, 128, 128, 128, 128}));  // 64 lasts no time
}
