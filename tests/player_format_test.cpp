// Packed format, loader, song control and the two pitch models.
#include <gtest/gtest.h>

#include <cstring>

#include "format.h"
#include "player_test_util.h"

using mxmb::extended;
using mxmb::letter;

TEST(PlayerLoader, DecodesOnceInPlaceAndResolvesTheTables) {
    mxmb::Module m = testModule();
    m.deltaSamples = true;
    mxmb::Instrument second = plainInstrument();
    second.samples = {mxmb::Sample::oneShot8({5, 3, 4, -128, 127}), mxmb::Sample::oneShot16({1000, -32768, 32767})};
    m.instruments.push_back(second);
    Song song(m, false);
    const mxm::ModuleHeader& h = song.s().header;
    EXPECT_TRUE(h.flags & mxm::FLAG_DELTA_SAMPLES);  // the copy keeps the bit as read
    EXPECT_FALSE(mxm::moduleFlags(song.bytes.data()) & mxm::FLAG_DELTA_SAMPLES);

    auto check = [&] {
        const uint8_t* s8 = h.sampleOffsets[1];
        EXPECT_EQ(static_cast<int8_t>(s8[0]), 5);
        EXPECT_EQ(static_cast<int8_t>(s8[3]), -128);
        EXPECT_EQ(static_cast<int8_t>(s8[4]), 127);
        EXPECT_EQ(static_cast<int16_t>(mxm::read16(h.sampleOffsets[2] + 2)), -32768);
        EXPECT_EQ(static_cast<int16_t>(mxm::read16(h.sampleOffsets[2] + 4)), 32767);
    };
    check();
    EXPECT_TRUE(mxm::loadModule(song.state.get(), song.bytes.data()));  // second load: no second decode
    check();
    EXPECT_EQ(h.patternOffsets[1], song.bytes.data() + mxm::read32(song.bytes.data() + 848 + 4));
    EXPECT_EQ(h.patternOffsets[7], song.bytes.data());  // unused entries point at the module start
}

TEST(PlayerLoader, WrongMagicLeavesTheStateClearedAndRefusesToStart) {
    mxmb::Module m = testModule();
    std::vector<uint8_t> bytes = mxmb::build(m);
    bytes[3] = 1;
    auto state = std::make_unique<mxm::PlayerState>();
    std::memset(static_cast<void*>(state.get()), 0xAB, offsetof(mxm::PlayerState, framesLeft));
    EXPECT_FALSE(mxm::loadModule(state.get(), bytes.data()));
    EXPECT_EQ(state->masterVolume, 64);
    state->masterVolume = 0;
    const uint8_t* raw = reinterpret_cast<const uint8_t*>(state.get());
    for (size_t i = 0; i < offsetof(mxm::PlayerState, framesLeft); ++i) ASSERT_EQ(raw[i], 0) << "byte " << i;
    mxm::startSong(0);
    EXPECT_EQ(state->playing.load(), 0);
}

TEST(PlayerLoader, WaveformTables) {
    Song song(testModule(), false);
    const int8_t(&w)[4][256] = song.s().waveforms;
    const int at[] = {0, 32, 64, 65, 127, 128, 129, 192, 255};
    const int sine[] = {0, 45, 64, 64, 2, 0, -2, -64, -2}, ramp[] = {0, 16, 32, 33, 64, 64, -63, -32, 0},
              square[] = {-64, 64, 64, 64, 64, 64, -64, -64, -64};
    for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(w[0][at[k]], sine[k]) << at[k];
        EXPECT_EQ(w[1][at[k]], ramp[k]) << at[k];
        EXPECT_EQ(w[2][at[k]], square[k]) << at[k];
        EXPECT_EQ(w[3][at[k]], -ramp[k]) << at[k];
    }
}

TEST(PlayerControl, StartStopAndPosition) {
    mxmb::Module m = testModule();
    m.initialSpeed = 5;
    m.channelPanning[2] = 17;
    m.patterns[0].rows[0] = {mxmb::effect(0, letter('S'), 0x42)};
    Song song(m, false);
    mxm::PlayerState& s = song.s();
    mxm::startSong(0);
    EXPECT_EQ(s.playing.load(), 1);
    EXPECT_EQ(s.speed, 5);
    EXPECT_EQ(s.tick, 4);
    EXPECT_EQ(s.tempo, 125u);
    EXPECT_EQ(s.globalVolume, 64);
    EXPECT_EQ(s.channels[2].panning, 17);
    EXPECT_EQ(s.nextOrderPos, 0u);

    song.tick(3);
    EXPECT_EQ(mxm::getSyncValue(), 0x42);
    mxm::startSong(1);  // ignored while playing
    EXPECT_EQ(s.nextOrderPos, mxm::NO_JUMP);
    EXPECT_EQ(s.tick, 2);

    mxm::stopSong();
    mxm::stopSong();
    EXPECT_EQ(s.playing.load(), 0);
    s.patternDelay = 3;  // a delay left by the stopped song does not hold up the new one
    mxm::startSong(1);
    EXPECT_EQ(s.syncValue, 0);
    song.tick();
    EXPECT_EQ(song.at(), std::make_pair(1u, 0u));

    s.orderPos = 3;
    s.row = 0x111;
    EXPECT_EQ(mxm::getPosition(), 0x0311);
    mxm::setMasterVolume(100);
    EXPECT_EQ(s.masterVolume, 100);
}

TEST(PlayerPitch, ExponentialAndStepAnchors) {
    EXPECT_EQ(mxm::pitchExp(0), 6848u);
    EXPECT_EQ(mxm::pitchExp(-3072), 13696u);
    EXPECT_EQ(mxm::pitchExp(3072), 3424u);

    Song linear(testModule(), false);
    EXPECT_EQ(mxm::periodToStep(20160), 2);
    EXPECT_EQ(mxm::periodToStep(20161), 0);
    EXPECT_EQ(mxm::periodToStep(40000), 0);        // beyond 16 bits: saturates, no wrap to a high pitch
    EXPECT_EQ(mxm::periodToStep(-40000), 0xFFFE);  // and no wrap to a low one
    EXPECT_EQ(mxm::clampPeriod(-20000), -18432);
    EXPECT_EQ(mxm::clampPeriod(30000), 24576);

    mxmb::Module m = testModule();
    m.linearPeriods = false;
    Song amiga(m, false);
    EXPECT_EQ(mxm::periodToStep(51), 50);  // small periods bypass the division, bit 0 cleared
    EXPECT_EQ(mxm::periodToStep(100), 13290);
    EXPECT_EQ(mxm::periodToStep(-5), 0);
    EXPECT_EQ(mxm::periodToStep(664504), 0);
}

// Notes 1, 49 and 61 in both models: period and step after the row is read.
TEST(PlayerPitch, NotePeriodsInBothModels) {
    struct Expect {
        int32_t period;
        uint16_t step;
    };
    const uint8_t notes[3] = {1, 49, 61};
    const Expect linear[3] = {{12288, 12}, {0, 194}, {-3072, 388}};
    const Expect amiga[3] = {{109568, 12}, {6848, 194}, {3424, 388}};
    for (bool isLinear : {true, false}) {
        mxmb::Module m = testModule();
        m.linearPeriods = isLinear;
        if (!isLinear) {
            m.minPeriod = 50;
            m.maxPeriod = 200000;
        }
        for (uint8_t c = 0; c < 3; ++c) m.patterns[0].rows[0].push_back(mxmb::note(c, notes[c], 1));
        m.patterns[0].rows[0].push_back(mxmb::note(3, 49, 1));
        m.instruments.push_back(plainInstrument(64, 128));
        m.patterns[0].rows[0][3].instrument = 2;
        Song song(m);
        song.tick();
        for (int c = 0; c < 3; ++c) {
            const Expect& e = (isLinear ? linear : amiga)[c];
            EXPECT_EQ(song.ch(c).period, e.period) << "note " << int(notes[c]);
            EXPECT_EQ(song.ch(c).step, e.step) << "note " << int(notes[c]);
        }
        // Relative pitch of half a semitone up.
        EXPECT_EQ(song.ch(3).period, isLinear ? -128 : int32_t(mxm::pitchExp(128)));
    }
}
