// Effect commands and the volume column: each family with its memory and clamps.
#include <gtest/gtest.h>

#include "player_test_util.h"

using mxmb::effect;
using mxmb::extended;
using mxmb::letter;
using mxmb::note;
using mxmb::volume;

namespace {

mxmb::Module rowsModule(std::vector<mxmb::Row> rows, uint8_t speed = 6) {
    mxmb::Module m = testModule(static_cast<int>(rows.size()) + 2);
    m.initialSpeed = speed;
    for (size_t i = 0; i < rows.size(); ++i) m.patterns[0].rows[i] = rows[i];
    return m;
}

// Plays each row through all its ticks and records `field` of channel `c` at the end.
template <typename F>
std::vector<int> afterEachRow(Song& song, size_t rows, F field) {
    std::vector<int> seen;
    for (size_t r = 0; r < rows; ++r) {
        song.rows(1);
        song.tick(song.s().speed - 1);
        seen.push_back(field());
    }
    return seen;
}

// Records `field` after each of `ticks` ticks.
template <typename F>
std::vector<int> perTick(Song& song, int ticks, F field) {
    std::vector<int> seen;
    for (int i = 0; i < ticks; ++i) {
        song.tick();
        seen.push_back(field());
    }
    return seen;
}

using V = std::vector<int>;

}  // namespace

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
    std::vector<V> seen(4);
    for (int r = 0; r < 6; ++r) {
        song.rows(1);
        song.tick(5);
        for (int c = 0; c < 3; ++c) seen[c].push_back(song.ch(c).volume);
        seen[3].push_back(song.s().globalVolume);
    }
    EXPECT_EQ(seen[0], (V{32, 12, 0, 10, 20, 30}));   // A, A00, 5 and 6 share the memory; up wins
    EXPECT_EQ(seen[1], (V{64, 32, 22, 22, 64, 61}));  // 0x55 sets 64; slides; fine down
    EXPECT_EQ(seen[2], (V{10, 13, 16, 11, 6, 64}));   // EA/EB memories; C clamps to 64
    EXPECT_EQ(seen[3], (V{64, 20, 35, 50, 0, 0}));    // G clamps; H up wins, remembers, clamps
}

TEST(PlayerEffects, PanningCommands) {
    Song song(rowsModule({
        {effect(0, 8, 0x40), volume(1, 0xC8)},
        {effect(0, letter('P'), 0x02), volume(1, 0xE3)},
        {effect(0, letter('P'), 0x21), volume(1, 0xDF)},
        {effect(0, letter('P'), 0x00), volume(1, 0xDF)},
        {effect(0, extended(8), 3), volume(1, 0xEF)},
        {effect(0, 8, 0xFA)},
        {effect(0, letter('P'), 0x0F)},
    }));
    V pan0, pan1;
    for (int r = 0; r < 7; ++r) {
        song.rows(1);
        song.tick(5);
        pan0.push_back(song.ch(0).tickPanning);
        pan1.push_back(song.ch(1).panning);
    }
    EXPECT_EQ(pan0, (V{64, 74, 64, 54, 51, 250, 255}));  // P with both nibbles slides left
    EXPECT_EQ(pan1, (V{136, 151, 76, 1, 76, 76, 76}));   // 0xC8 = 136; slides clamp at 0
}

TEST(PlayerEffects, PitchSlidesFineSlidesAndClamps) {
    Song song(rowsModule({
        {note(0, 49, 1)},
        {effect(0, 1, 0x10)},
        {effect(0, 1, 0x00)},
        {effect(0, 2, 0x08)},
        {effect(0, extended(1), 2)},
        {effect(0, extended(1), 0)},
        {effect(0, extended(2), 1)},
        {effect(0, letter('X'), 0x13)},
        {effect(0, letter('X'), 0x10)},
        {effect(0, letter('X'), 0x25)},
        {effect(0, 1, 0xFF)},
        {effect(0, 2, 0xFF)},
    }));
    auto period = [&] { return song.ch(0).tickPeriod; };
    EXPECT_EQ(afterEachRow(song, 12, period),
              (V{0, -1280, -2560, -1920, -1952, -1984, -1968, -1980, -1992, -1972, -18432, -18432 + 5 * 4080}));
}

TEST(PlayerEffects, TonePortamentoWithGlissando) {
    mxmb::Module m = rowsModule({
        {withEffect(note(0, 49, 1), extended(3), 1)},
        {withEffect(note(0, 51, 0), 3, 0x02)},
    });
    m.instruments[0].samples[0].relativePitch = -64;  // whole notes at 64, -192, -448
    Song song(m);
    song.rows(1);
    song.tick(5);
    EXPECT_EQ(perTick(song, 6, [&] { return song.ch(0).tickPeriod; }), (V{64, 64, 64, 64, 64, -192}));
    EXPECT_EQ(song.ch(0).period, -96);

    mxmb::Module a = rowsModule({
        {withEffect(note(0, 49, 1), extended(3), 1)},
        {withEffect(note(0, 50, 0), 3, 0x08)},
    });
    a.linearPeriods = false;
    a.maxPeriod = 200000;
    Song amiga(a);
    amiga.rows(2);
    const int n49 = 6848, n50 = static_cast<int>(mxm::pitchExp(256));
    EXPECT_EQ(perTick(amiga, 3, [&] { return amiga.ch(0).tickPeriod; }), (V{n49, n50, n50}));
    EXPECT_EQ(amiga.ch(0).period, 6464);  // slides smoothly underneath
    amiga.tick();
    EXPECT_EQ(amiga.ch(0).period, n50);  // and stops on the target
}

TEST(PlayerEffects, VibratoTremoloAndArpeggio) {
    Song song(rowsModule(
        {
            {withEffect(note(0, 49, 1), 4, 0x8F), withEffect(withVolume(note(1, 49, 1), 0x30), 7, 0x4F),
             withEffect(note(2, 49, 1), 0, 0x37)},
            {effect(0, 4, 0), effect(1, extended(7), 3), effect(2, 0, 0x37)},
            {effect(0, 4, 0), effect(1, 7, 0)},
        },
        5));
    std::vector<V> seen(3);
    for (int t = 0; t < 15; ++t) {
        song.tick();
        seen[0].push_back(song.ch(0).tickPeriod);
        seen[1].push_back(song.ch(1).mixVolume);
        seen[2].push_back(song.ch(2).tickPeriod);
    }
    // Sine, depth 60, 16 positions per later tick; the shift rounds down (−2700 >> 3 = −338).
    EXPECT_EQ(seen[0], (V{0, 0, 180, 337, 442, 480, 480, 442, 337, 180, 0, 0, -180, -338, -443}));
    EXPECT_EQ(song.ch(0).period, 0);
    // Tremolo on volume 32 (final volume ×2), clamped at 64; E73 is no tremolo itself; then
    // the ramp-down wave from position 64 takes it down to 0.
    EXPECT_EQ(seen[1], (V{64, 64, 108, 128, 128, 64, 64, 64, 64, 64, 4, 4, 0, 0, 0}));
    EXPECT_EQ(song.ch(1).volume, 32);
    // Offsets 0, 3, 7 carry on across the row; row 2 has no arpeggio.
    EXPECT_EQ(seen[2], (V{0, -768, -1792, 0, -768, -1792, 0, -768, -1792, 0, 0, 0, 0, 0, 0}));

    mxmb::Module a = rowsModule({{withEffect(note(0, 49, 1), 0, 0x30)}});
    a.linearPeriods = false;
    Song amiga(a);
    EXPECT_EQ(perTick(amiga, 2, [&] { return amiga.ch(0).tickPeriod; }), (V{6848, 6848 * 27554 >> 15}));
}

TEST(PlayerEffects, RetriggersCutsDelaysAndKeyOffTicks) {
    Song song(rowsModule({
        {withEffect(note(0, 49, 1), letter('R'), 0x82), withEffect(note(1, 49, 1), letter('R'), 0x71),
         withEffect(note(2, 49, 1), letter('K'), 1), withEffect(note(3, 49, 1), extended(0xC), 0)},
        {effect(0, letter('R'), 0), withEffect(note(1, 61, 1), extended(0xD), 2), effect(2, extended(9), 2),
         effect(3, extended(0xC), 2)},
        {withEffect(note(1, 49, 1), extended(0xD), 9), withEffect(note(3, 61, 1), extended(0xD), 0)},
    }));
    V restarts0, restarts2, volume1, volume3, period1;
    for (int t = 0; t < 18; ++t) {
        for (int c = 0; c < 4; ++c) song.ch(c).restartPos = -1;
        song.tick();
        if (song.ch(0).restartPos == 0) restarts0.push_back(t);
        if (song.ch(2).restartPos == 0) restarts2.push_back(t);
        volume1.push_back(song.ch(1).volume);
        volume3.push_back(song.ch(3).mixVolume);
        period1.push_back(song.ch(1).period);
        if (t == 1) {  // K01
            EXPECT_EQ(song.ch(2).keyHeld, 0);
            EXPECT_EQ(song.ch(2).fadeVolume, 0);
        }
    }
    EXPECT_EQ(restarts0, (V{0, 2, 5, 8, 11}));  // the count carries across rows under R00
    EXPECT_EQ(restarts2, (V{0, 6, 8, 10}));     // the note; then E92 from tick 0
    // R71 halves on every second tick; ED2 restarts the note on tick 2 keeping the volume.
    EXPECT_EQ(V(volume1.begin(), volume1.begin() + 8), (V{64, 32, 32, 16, 16, 8, 8, 8}));
    EXPECT_EQ(V(period1.begin() + 6, period1.begin() + 9), (V{0, 0, -3072}));
    EXPECT_EQ(period1.back(), -3072);  // ED9 at speed 6 never comes
    // EC0 never cuts, EC2 cuts on tick 2, ED0 plays at once.
    EXPECT_EQ(V(volume3.begin() + 5, volume3.begin() + 13), (V{128, 128, 128, 0, 0, 0, 0, 128}));
}

TEST(PlayerEffects, TremorSpeedTempoAndSync) {
    Song song(rowsModule({
        {withEffect(note(0, 49, 1), letter('T'), 0x11), effect(1, 0x0F, 0x1F), effect(2, 0x0F, 0x20)},
        {effect(1, 0x0F, 0x00), effect(2, letter('W'), 0x10)},
        {effect(2, extended(0xF), 5), effect(3, letter('Z'), 0x77)},
    }));
    EXPECT_EQ(perTick(song, 6, [&] { return song.ch(0).mixVolume; }), (V{128, 128, 128, 0, 0, 128}));
    EXPECT_EQ(song.s().speed, 31);
    EXPECT_EQ(song.s().tempo, 32u);
    song.tick(26);
    EXPECT_EQ(song.s().row, 1u);
    EXPECT_EQ(song.s().speed, 31);  // F00 changes nothing
    EXPECT_EQ(mxm::getSyncValue(), 0x10);
    song.rows(1);
    EXPECT_EQ(mxm::getSyncValue(), 5);
    EXPECT_EQ(song.ch(3).effect, letter('Z'));  // stored, without actions
}

// Every command and volume byte with varied parameters, notes and key-offs, in both
// models: nothing crashes (the sanitizer build reads this) and volumes stay in range.
TEST(PlayerEffects, EveryCommandKeepsValuesInRange) {
    for (bool linear : {true, false}) {
        mxmb::Module m = testModule(64);
        m.linearPeriods = linear;
        if (!linear) m.minPeriod = 100, m.maxPeriod = 60000;
        mxmb::Instrument ins = plainInstrument();
        ins.volEnv.points = {{3, 10}, {0, 50}, {4, 64}, {2, 0}, {0, 30}};
        ins.volEnv.sustain = 2;
        ins.volEnv.loopStart = 1;
        ins.volEnv.loopEnd = 3;
        ins.panEnv = ins.volEnv;
        ins.fadeOut = 700;
        ins.autoVibDepth = 15;
        ins.autoVibRate = 30;
        ins.autoVibSweep = 20;
        m.instruments.push_back(ins);
        for (int p = 0; p < 2; ++p)
            for (int r = 0; r < 64; ++r)
                for (uint8_t c = 0; c < 4; ++c) {
                    int k = p * 256 + r * 4 + c;
                    mxmb::Cell cell = note(c, static_cast<uint8_t>(k * 7 % 98), static_cast<uint8_t>(k % 4));
                    cell = withVolume(cell, static_cast<uint8_t>(k * 13));
                    uint8_t fx = static_cast<uint8_t>(k % 0x36);
                    uint8_t param = static_cast<uint8_t>(k * 37);
                    if ((fx == 0x0B || fx == 0x0D) && r != 63) fx = 0x34;  // jumps only at the end
                    if (fx >= 0x24) param &= 15;
                    if (fx == 0x2A || fx == 0x32) param &= 1;  // short loops and delays
                    if (fx == 0x0F) param = static_cast<uint8_t>(param < 32 ? param % 7 + 1 : param);  // speed 1..7
                    m.patterns[p].rows[r].push_back(withEffect(cell, fx, param));
                }
        Song song(m);
        for (int t = 0; t < 3000; ++t) {
            song.tick();
            ASSERT_LE(song.s().globalVolume, 64);
            for (int c = 0; c < 4; ++c) {
                ASSERT_LE(song.ch(c).volume, 64) << t;
                ASSERT_LE(song.ch(c).mixVolume, 128) << t;
                ASSERT_EQ(song.ch(c).step & 1, 0);
            }
        }
    }
}
