// The game's music: the song text parser, the compiler's tuning and samples, and the
// facts of the compiled module that the rest of the game relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <string>
#include <vector>

#include "song_build.h"
#include "song_text.h"
#include "synth.h"

namespace {

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t u32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

music::SongText gameSong() { return music::parseSong(readText(SKARVO_MUSIC_DIR "/song.txt"), "song.txt"); }
std::vector<music::InstrumentText> gameInstruments() {
    return music::parseInstruments(readText(SKARVO_MUSIC_DIR "/instruments.txt"), "instruments.txt");
}

const char* SMALL_HEAD = "channels 4\nspeed 5\ntempo 125\norder 0\n";

// The message of the TextError thrown by parsing `text` as a song ("" if none).
std::string songError(const std::string& text) {
    try {
        music::parseSong(text, "s.txt");
    } catch (const music::TextError& e) {
        return e.what();
    }
    return "";
}

std::string instrumentError(const std::string& text) {
    try {
        music::parseInstruments(text, "i.txt");
    } catch (const music::TextError& e) {
        return e.what();
    }
    return "";
}

TEST(SongText, ReadsCellsOfEveryKind) {
    music::SongText s = music::parseSong(std::string(SMALL_HEAD) +
                                             "# comment\n"
                                             "pattern 0 rows 8   # trailing comment\n"
                                             "00 | C#5 02 2A 108 | OFF .. .. ... | --- .. 61 ... | --- .. .. EA3\n"
                                             "03 | A-4 .. .. 30C\n",
                                         "s.txt");
    ASSERT_EQ(s.patterns.size(), 1u);
    const auto& rows = s.patterns[0].rows;
    ASSERT_EQ(rows.size(), 8u);
    ASSERT_EQ(rows[0].size(), 4u);
    EXPECT_EQ(rows[0][0].note, 62);  // C#5: C-5 = 61
    EXPECT_EQ(rows[0][0].instrument, 2);
    EXPECT_EQ(rows[0][0].volume, 0x2A);
    EXPECT_EQ(rows[0][0].effect, 1);
    EXPECT_EQ(rows[0][0].param, 8);
    EXPECT_EQ(rows[0][1].note, 97);
    EXPECT_FALSE(rows[0][2].hasNote);
    EXPECT_EQ(rows[0][2].volume, 0x61);
    EXPECT_EQ(rows[0][3].effect, 0x2E);  // EA3: extended command A, sub-parameter 3
    EXPECT_EQ(rows[0][3].param, 3);
    EXPECT_TRUE(rows[1].empty());
    ASSERT_EQ(rows[3].size(), 1u);
    EXPECT_EQ(rows[3][0].note, 58);
    EXPECT_EQ(rows[3][0].instrument, 0);
    EXPECT_EQ(rows[3][0].effect, 3);
    EXPECT_EQ(music::noteName(58), "A-4");
    EXPECT_EQ(music::noteFromName("B-7"), 96);
    EXPECT_EQ(music::noteFromName("H-4"), -1);
}

TEST(SongText, RejectsMalformedLinesNamingTheLine) {
    struct Case {
        const char* line;
        const char* says;
    } cases[] = {
        {"00 | H-5 01 .. ...", "bad note"},
        {"00 | C-5 01 ..", "needs 4 fields"},
        {"00 | C-5 01 .. ... | --- .. .. ... | --- .. .. ... | --- .. .. ... | --- .. .. ...", "more cells"},
        {"64 | C-5 01 .. ...", "outside 0..63"},
        {"00 | --- 01 .. ...", "needs a note"},
        {"00 | C-5 01 ZZ ...", "bad volume"},
        {"00 | C-5 01 .. 1G0", "bad effect"},
        {"00 | C-5 01 .. 1008", "bad effect"},
        {"00 | C-5 999 .. ...", "instrument"},
        {"00 C-5 01 .. ...", "followed by '|'"},
        {"tempo fast", "not a whole number"},
        {"volume 3", "unknown statement"},
    };
    for (const Case& c : cases) {
        std::string text = std::string(SMALL_HEAD) + "pattern 0 rows 64\n" + c.line + "\n";
        std::string msg = songError(text);
        EXPECT_NE(msg.find("s.txt:6:"), std::string::npos) << c.line << " -> " << msg;
        EXPECT_NE(msg.find(c.says), std::string::npos) << c.line << " -> " << msg;
    }
    std::string head = std::string(SMALL_HEAD) + "pattern 0 rows 64\n";
    EXPECT_NE(songError(head + "05 | C-5 01 .. ...\n05 | C-5 01 .. ...\n").find("s.txt:7: rows must be in ascending"),
              std::string::npos);
    EXPECT_NE(songError(std::string(SMALL_HEAD) + "pattern 1 rows 64\n").find("s.txt:5:"), std::string::npos);
    EXPECT_NE(songError("channels 4\nspeed 5\ntempo 125\norder 0 3\npattern 0 rows 4\n").find("pattern 3"),
              std::string::npos);
    EXPECT_NE(songError("speed 5\n00 | C-5 01 .. ...\n").find("s.txt:2: a row line before"), std::string::npos);
}

TEST(InstrumentText, RejectsMalformedLinesNamingTheLine) {
    const std::string head = "instrument 1 test\n  synth kick\n  points 100\n  rate 8000 at C-5\n";
    struct Case {
        const char* line;
        const char* says;
    } cases[] = {
        {"  volenv 0:64 10:30 5:0", "must increase"},
        {"  volenv 3:64 10:0", "starts at tick 0"},
        {"  volenv 0:65", "outside 0..64"},
        {"  volenv 0:64 10:0 sustain 2", "sustain point"},
        {"  vibrato square depth 1 rate 1 sweep 0", "vibrato sine"},
        {"  synth organ", "unknown synth"},
        {"  synth kick f0", "name=value"},
        {"  loudness 3", "unknown setting"},
        {"  rate 8000 at X-5", "bad note"},
        {"instrument 3 skip", "numbered 1, 2, 3"},
    };
    for (const Case& c : cases) {
        std::string msg = instrumentError(head + c.line + "\n");
        EXPECT_NE(msg.find("i.txt:5:"), std::string::npos) << c.line << " -> " << msg;
        EXPECT_NE(msg.find(c.says), std::string::npos) << c.line << " -> " << msg;
    }
    EXPECT_NE(instrumentError("instrument 1 a\n  points 100\n").find("i.txt:1: instrument 1 has no 'synth'"),
              std::string::npos);
    EXPECT_NE(instrumentError("instrument 1 a\n  synth pluck\n  points 100\n  transpose 0\n").find("needs 'cycle'"),
              std::string::npos);
}

TEST(SongBuild, PitchStepsFollowThePlayer) {
    EXPECT_EQ(music::noteStep(49, 0), 194u);
    EXPECT_EQ(music::noteStep(61, 0), 388u);
    EXPECT_EQ(music::noteStep(1, 0), 12u);
    EXPECT_EQ(music::noteStep(49, 256), music::noteStep(50, 0));
}

// Every pitched instrument is tuned to equal temperament within a few cents for the
// notes the song plays, and its loop repeats without a click.
TEST(SongBuild, InstrumentsAreInTuneAndLoopSmoothly) {
    std::vector<music::InstrumentText> ins = gameInstruments();
    music::SongText song = gameSong();
    mxmb::Module m = music::buildModule(song, ins);
    ASSERT_EQ(m.instruments.size(), 8u);
    std::set<int> playedNotes[9];
    for (const music::PatternText& p : song.patterns)
        for (const auto& row : p.rows)
            for (const music::CellText& c : row)
                if (c.instrument && c.note != 97) playedNotes[c.instrument].insert(c.note);
    for (size_t i = 0; i < ins.size(); ++i) {
        const mxmb::Sample& s = m.instruments[i].samples.at(0);
        if (!ins[i].hasTranspose) {
            EXPECT_EQ(s.flags & 0x18, 0) << ins[i].name << " is a one-shot drum";
            continue;
        }
        ASSERT_EQ(s.flags & 0x08, 0x08) << ins[i].name;
        int biggestStep = 0;
        for (uint32_t k = s.loopStart; k + 1 < s.end; ++k)
            biggestStep = std::max(biggestStep, std::abs(s.points[k + 1] - s.points[k]));
        int seam = std::abs(s.points[s.loopStart] - s.points[s.end - 1]);
        EXPECT_LE(seam, biggestStep) << ins[i].name << ": the loop seam jumps more than any step inside the loop";
        EXPECT_EQ(s.points[s.end], s.points[s.loopStart]) << ins[i].name;
        // A4 = 440 Hz: each note the song starts with this instrument, step against the wanted one.
        for (int note : playedNotes[i + 1]) {
            double hz = 440.0 * std::pow(2.0, (note + 11 + ins[i].transpose - 69) / 12.0);
            double wanted = hz * ins[i].cycle * 1024.0 / 44100.0;
            double cents = 1200.0 * std::log2(music::noteStep(note, s.relativePitch) / wanted);
            EXPECT_LT(std::fabs(cents), 12.0) << ins[i].name << " note " << note;
        }
    }
}

TEST(SongBuild, CompilingTwiceGivesIdenticalBytes) {
    std::vector<uint8_t> a = music::compileSong(gameSong(), gameInstruments());
    std::vector<uint8_t> b = music::compileSong(gameSong(), gameInstruments());
    EXPECT_EQ(a.size(), 31571u);
    EXPECT_TRUE(a == b);
    EXPECT_TRUE(a == readBytes(SKARVO_SONG_MODULE)) << "the built song.mxm is out of date";
}

TEST(SongBuild, LayoutErrorsAreReported) {
    std::vector<music::InstrumentText> ins = gameInstruments();
    ins[0].points += 1;
    try {
        music::compileSong(gameSong(), ins);
        FAIL() << "a sample block of the wrong size was accepted";
    } catch (const music::TextError& e) {
        EXPECT_NE(std::string(e.what()).find("change by -1"), std::string::npos) << e.what();
    }
    music::SongText undefined = music::parseSong(std::string(SMALL_HEAD) + "pattern 0 rows 4\n02 | C-5 09 .. ...\n", "s.txt");
    EXPECT_THROW(
        try { music::compileSong(undefined, gameInstruments()); } catch (const music::TextError& e) {
            EXPECT_STREQ(e.what(), "s.txt:6: instrument 9 is not defined");
            throw;
        },
        music::TextError);
    music::SongText song = gameSong();
    for (auto& row : song.patterns[1].rows) {
        row.clear();
        for (int ch = 0; ch < 8; ++ch) {
            music::CellText c;
            c.channel = ch;
            c.hasNote = true;
            c.note = 61;
            c.instrument = 1;
            c.hasEffect = true;
            c.effect = 3;
            row.push_back(c);
        }
    }
    try {
        music::compileSong(song, gameInstruments());
        FAIL() << "patterns too big for their room were accepted";
    } catch (const music::TextError& e) {
        EXPECT_NE(std::string(e.what()).find("only 2819 fit"), std::string::npos) << e.what();
    }
}

TEST(MusicModule, HeaderFacts) {
    std::vector<uint8_t> m = readBytes(SKARVO_SONG_MODULE);
    ASSERT_EQ(m.size(), 31571u);
    EXPECT_EQ(u32(m, 0), 0x004D584Du);
    EXPECT_EQ(u32(m, 4), 6u);
    EXPECT_EQ(u32(m, 8), 0u);
    EXPECT_EQ(u32(m, 12), 8u);
    EXPECT_EQ(u32(m, 16), 5u);
    EXPECT_EQ(u32(m, 20), 8u);
    EXPECT_EQ(m[24], 5);
    EXPECT_EQ(m[25], 125);
    EXPECT_EQ(m[26] | m[27] << 8, 5);
    EXPECT_EQ(u32(m, 28), 15059u);
    EXPECT_EQ(u32(m, 32), 16512u);
    EXPECT_EQ(u32(m, 36), 0u);
    EXPECT_EQ(static_cast<int32_t>(u32(m, 40)), -18432);
    EXPECT_EQ(static_cast<int32_t>(u32(m, 44)), 24576);
    for (int k = 0; k < 32; ++k) EXPECT_EQ(m[48 + k], 128) << "channel " << k;
    const uint8_t orders[6] = {0, 1, 2, 2, 3, 4};
    for (int k = 0; k < 6; ++k) EXPECT_EQ(m[80 + k], orders[k]);
    for (int k = 0; k < 8; ++k) {
        uint32_t at = u32(m, 336 + 4 * k);
        EXPECT_EQ(at, 10064u + 272u * k);
        EXPECT_EQ(u32(m, at), 1u) << "one sample per instrument";
        EXPECT_EQ(m[at + 256 + 13] | m[at + 256 + 14] << 8, k) << "sample number";
        EXPECT_EQ(m[at + 256 + 8] & 0x04, 0) << "8-bit";
    }
    EXPECT_EQ(u32(m, 848), 12240u) << "patterns follow the instruments";
}

// What the song plays: notes 56..85 and key-offs, effects 1 and 3, volume bytes 0x2x
// and 0x6x, and the instrument features the player's tests lean on.
TEST(MusicModule, SongUsesTheAgreedMaterial) {
    std::vector<music::InstrumentText> ins = gameInstruments();
    mxmb::Module m = music::buildModule(gameSong(), ins);
    std::set<int> effects, volumeCommands;
    bool keyOff = false;
    for (const mxmb::Pattern& p : m.patterns) {
        ASSERT_EQ(p.rows.size(), 64u);
        for (const mxmb::Row& row : p.rows) {
            for (const mxmb::Cell& c : row) {
                if (c.hasNote && c.note == 97) keyOff = true;
                if (c.hasNote && c.note != 97) {
                    EXPECT_GE(c.note, 56);
                    EXPECT_LE(c.note, 85);
                }
                if (c.hasEffect) effects.insert(c.effect);
                if (c.hasVolume) volumeCommands.insert(c.volume >> 4);
            }
        }
    }
    EXPECT_TRUE(keyOff);
    EXPECT_EQ(effects, (std::set<int>{1, 3}));
    EXPECT_EQ(volumeCommands, (std::set<int>{2, 6}));
    std::set<int> fades, depths, rates;
    int sustained = 0, unsustained = 0, panning = 0;
    for (const mxmb::Instrument& i : m.instruments) {
        fades.insert(i.fadeOut);
        if (i.autoVibDepth) {
            EXPECT_EQ(i.autoVibType, 0);
            depths.insert(i.autoVibDepth);
            rates.insert(i.autoVibRate);
        }
        if (i.volEnv.points.size() > 1) (i.volEnv.sustain == 255 ? unsustained : sustained)++;
        if (i.panEnv.points.size() > 1) ++panning;
    }
    EXPECT_EQ(fades, (std::set<int>{0, 128, 65535}));
    EXPECT_EQ(depths, (std::set<int>{9, 11}));
    EXPECT_EQ(rates, (std::set<int>{40, 56}));
    EXPECT_GE(sustained, 1);
    EXPECT_GE(unsustained, 1);
    EXPECT_EQ(panning, 1);
}

}  // namespace

namespace {

int run(const std::string& args, const std::string& errFile) {
    std::string cmd = std::string(SKARVO_SONGC) + " " + args + " >/dev/null 2>" + errFile;
    int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

TEST(SongCompilerTool, ExitCodesMessagesAndNoPartialOutput) {
    const std::string dir = SKARVO_ARTIFACTS;
    const std::string err = dir + "/songc_err.txt";
    const std::string out = dir + "/songc_test.mxm";
    const std::string ins = std::string(SKARVO_MUSIC_DIR) + "/instruments.txt";
    std::remove(out.c_str());
    EXPECT_EQ(run("--help", err), 0);
    EXPECT_EQ(run("--song", err), 1);

    std::string badSong = dir + "/songc_bad.txt";
    std::ofstream(badSong) << "channels 8\nspeed 5\ntempo 125\norder 0\npattern 0 rows 64\n00 | Q-5 01 .. ...\n";
    EXPECT_EQ(run("--song " + badSong + " --instruments " + ins + " -o " + out, err), 1);
    EXPECT_NE(readText(err).find("songc_bad.txt:6: channel 0: bad note 'Q-5'"), std::string::npos) << readText(err);
    EXPECT_FALSE(std::ifstream(out).good()) << "a failed run left an output file";
    EXPECT_FALSE(std::ifstream(out + ".tmp").good());

    EXPECT_EQ(run("--song " + std::string(SKARVO_MUSIC_DIR) + "/song.txt --instruments " + ins + " -o " + out +
                      " --samples " + dir,
                  err),
              0);
    EXPECT_TRUE(readBytes(out) == readBytes(SKARVO_SONG_MODULE));
    std::vector<uint8_t> wav = readBytes(dir + "/02_twang.wav");
    // The header, then the sample's points and its extra point.
    ASSERT_EQ(wav.size(), 44u + gameInstruments()[1].points + 1u);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
}

}  // namespace

namespace {

TEST(SongLint, WarnsOfGlidesThatStopShort) {
    const std::string head = "channels 2\nspeed 5\ntempo 125\norder 0\npattern 0 rows 8\n";
    // B-4 to E-5 is 5 semitones: 30A covers 8 ticks × 160 = 5 semitones over two rows.
    music::SongText ok = music::parseSong(head + "00 | --- .. .. ... | B-4 01 .. ...\n"
                                                 "01 | --- .. .. ... | E-5 .. .. 30A\n"
                                                 "02 | --- .. .. ... | E-5 .. .. 300\n",
                                          "s.txt");
    EXPECT_TRUE(music::lintSong(ok, "s.txt").empty());
    music::SongText shortGlide = music::parseSong(head + "00 | --- .. .. ... | B-4 01 .. ...\n"
                                                         "01 | --- .. .. ... | E-5 .. .. 306\n"
                                                         "02 | --- .. .. ... | E-5 .. .. 300\n",
                                                  "s.txt");
    std::vector<std::string> w = music::lintSong(shortGlide, "s.txt");
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0], "s.txt:7: channel 1: the glide to E-5 stops 2.00 semitones short");
    EXPECT_TRUE(music::lintSong(gameSong(), "song.txt").empty());
}

}  // namespace
