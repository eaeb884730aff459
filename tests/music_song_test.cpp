// The game's music: the song text parser, the compiler's tuning and samples, and the
// facts of the compiled module that the rest of the game relies on.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
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
    std::string t = readText(path);
    return std::vector<uint8_t>(t.begin(), t.end());
}

uint32_t u32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

music::SongText gameSong() { return music::parseSong(readText(SKARVO_MUSIC_DIR "/song.txt"), "song.txt"); }
std::vector<music::InstrumentText> gameInstruments() {
    return music::parseInstruments(readText(SKARVO_MUSIC_DIR "/instruments.txt"), "instruments.txt");
}

const std::string SMALL_HEAD = "channels 4\nspeed 5\ntempo 125\norder 0\n";

// The message of the TextError `f` throws ("" if none).
template <typename F>
std::string errorOf(F f) {
    try {
        f();
    } catch (const music::TextError& e) {
        return e.what();
    }
    return "";
}
std::string songError(const std::string& t) {
    return errorOf([&] { music::parseSong(t, "s.txt"); });
}

TEST(SongText, ReadsCellsOfEveryKind) {
    music::SongText s = music::parseSong(SMALL_HEAD +
                                             "pattern 0 rows 8   # comment\n"
                                             "00 | C#5 02 2A 108 | OFF .. .. ... | --- .. 61 ... | --- .. .. EA3\n",
                                         "s.txt");
    const auto& row = s.patterns.at(0).rows.at(0);
    ASSERT_EQ(row.size(), 4u);
    EXPECT_EQ(row[0].note, 62);  // C-5 = 61
    EXPECT_EQ(row[0].instrument, 2);
    EXPECT_EQ(row[0].volume, 0x2A);
    EXPECT_EQ(row[0].effect * 256 + row[0].param, 0x108);
    EXPECT_EQ(row[1].note, 97);
    EXPECT_FALSE(row[2].hasNote);
    EXPECT_EQ(row[2].volume, 0x61);
    EXPECT_EQ(row[3].effect, 0x2E);  // extended command A, sub-parameter 3
    EXPECT_EQ(row[3].param, 3);
    EXPECT_EQ(music::noteFromName("B-7"), 96);
}

TEST(SongText, RejectsMalformedLinesNamingTheLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"00 | H-5 01 .. ...", "s.txt:6: channel 0: bad note"},
        {"00 | C-5 01 ..", "needs 4 fields"},
        {"00 | C-5 01 .. 1008", "bad effect"},
        {"00 C-5 01 .. ...", "followed by '|'"},
        {"05 | C-5 01 .. ...\n05 | C-5 01 .. ...", "s.txt:7: rows must be in ascending"},
    };
    for (const auto& [line, says] : cases) {
        std::string msg = songError(SMALL_HEAD + "pattern 0 rows 64\n" + line + "\n");
        EXPECT_NE(msg.find("s.txt:"), std::string::npos) << line << " -> " << msg;
        EXPECT_NE(msg.find(says), std::string::npos) << line << " -> " << msg;
    }
    EXPECT_NE(songError(SMALL_HEAD + "pattern 1 rows 64\n").find("s.txt:5:"), std::string::npos);
    EXPECT_NE(songError("speed 5\n00 | C-5 01 .. ...\n").find("s.txt:2: a row line before"), std::string::npos);
}

TEST(InstrumentText, RejectsMalformedLinesNamingTheLine) {
    const std::string head = "instrument 1 test\n  synth kick\n  points 100\n  rate 8000 at C-5\n";
    const std::pair<const char*, const char*> cases[] = {
        {"  volenv 0:64 10:30 5:0", "must increase"},
        {"  volenv 0:64 10:0 sustain 2", "sustain point"},
        {"  synth organ", "unknown synth"},
        {"instrument 3 skip", "numbered 1, 2, 3"},
    };
    for (const auto& [line, says] : cases) {
        std::string msg = errorOf([&] { music::parseInstruments(head + line + "\n", "i.txt"); });
        EXPECT_NE(msg.find("i.txt:5: "), std::string::npos) << line << " -> " << msg;
        EXPECT_NE(msg.find(says), std::string::npos) << line << " -> " << msg;
    }
}

TEST(SongBuild, PitchStepsFollowThePlayer) {
    EXPECT_EQ(music::noteStep(49, 0), 194u);
    EXPECT_EQ(music::noteStep(61, 0), 388u);
    EXPECT_EQ(music::noteStep(1, 0), 12u);
    EXPECT_EQ(music::noteStep(49, 256), music::noteStep(50, 0));
}

// Every pitched instrument is in tune (A4 = 440 Hz) within a few cents for the notes
// the song plays with it, and its loop repeats without a click.
TEST(SongBuild, InstrumentsAreInTuneAndLoopSmoothly) {
    std::vector<music::InstrumentText> ins = gameInstruments();
    music::SongText song = gameSong();
    mxmb::Module m = music::buildModule(song, ins);
    ASSERT_EQ(m.instruments.size(), 8u);
    std::set<int> played[9];
    for (const music::PatternText& p : song.patterns)
        for (const auto& row : p.rows)
            for (const music::CellText& c : row)
                if (c.instrument && c.note != 97) played[c.instrument].insert(c.note);
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
        EXPECT_LE(std::abs(s.points[s.loopStart] - s.points[s.end - 1]), biggestStep) << ins[i].name << ": loop seam";
        EXPECT_EQ(s.points[s.end], s.points[s.loopStart]) << ins[i].name;
        for (int note : played[i + 1]) {
            double hz = 440.0 * std::pow(2.0, (note + 11 + ins[i].transpose - 69) / 12.0);
            double wanted = hz * ins[i].cycle * 1024.0 / 44100.0;
            double cents = 1200.0 * std::log2(music::noteStep(note, s.relativePitch) / wanted);
            EXPECT_LT(std::fabs(cents), 12.0) << ins[i].name << " note " << note;
        }
    }
}

TEST(SongBuild, LayoutErrorsAreReported) {
    std::vector<music::InstrumentText> ins = gameInstruments();
    ins[0].points += 1;
    EXPECT_NE(errorOf([&] { music::compileSong(gameSong(), ins); }).find("change by -1"), std::string::npos);
    music::SongText undefined = music::parseSong(SMALL_HEAD + "pattern 0 rows 4\n02 | C-5 09 .. ...\n", "s.txt");
    EXPECT_EQ(errorOf([&] { music::compileSong(undefined, gameInstruments()); }),
              "s.txt:6: instrument 9 is not defined");
}

// The compiled module: deterministic, up to date, and the header the game relies on.
TEST(MusicModule, HeaderFacts) {
    std::vector<uint8_t> m = readBytes(SKARVO_SONG_MODULE);
    ASSERT_EQ(m.size(), 31571u);
    EXPECT_TRUE(music::compileSong(gameSong(), gameInstruments()) == m) << "song.mxm is out of date";
    // Magic, orders, restart, channels, patterns, instruments, speed 5/tempo 125/flags 5,
    // sample data offset and sizes, the extreme sample points.
    const uint32_t words[] = {0x004D584Du, 6, 0, 8, 5, 8, 0x057D05, 15059, 16512, 0, uint32_t(-18432), 24576};
    for (int k = 0; k < 12; ++k) EXPECT_EQ(u32(m, 4 * k), words[k]) << "word " << k;
    const uint8_t orders[6] = {0, 1, 2, 2, 3, 4};
    for (int k = 0; k < 6; ++k) EXPECT_EQ(m[80 + k], orders[k]);
    for (int k = 0; k < 8; ++k) {
        uint32_t at = u32(m, 336 + 4 * k);
        EXPECT_EQ(at, 10064u + 272u * k);
        EXPECT_EQ(m[at + 256 + 13] | m[at + 256 + 14] << 8, k) << "sample number";
    }
    EXPECT_EQ(u32(m, 848), 12240u) << "patterns follow the instruments";
}

TEST(SongCompilerTool, BadSongFailsWithTheLineAndLeavesNoOutput) {
    const std::string dir = SKARVO_ARTIFACTS, err = dir + "/songc_err.txt", out = dir + "/songc_test.mxm";
    const std::string ins = std::string(SKARVO_MUSIC_DIR) + "/instruments.txt";
    std::remove(out.c_str());
    std::ofstream(dir + "/songc_bad.txt") << SMALL_HEAD << "pattern 0 rows 64\n00 | Q-5 01 .. ...\n";
    std::string cmd = std::string(SKARVO_SONGC) + " --song " + dir + "/songc_bad.txt --instruments " + ins + " -o " +
                      out + " >/dev/null 2>" + err;
    int rc = std::system(cmd.c_str());
    EXPECT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 1) << rc;
    EXPECT_NE(readText(err).find("songc_bad.txt:6: channel 0: bad note 'Q-5'"), std::string::npos) << readText(err);
    EXPECT_FALSE(std::ifstream(out).good()) << "a failed run left an output file";
}

}  // namespace
