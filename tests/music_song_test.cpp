// The song compiler's texts got wrong, in the parser and in songc as the build runs it.
// (What the texts say is pinned by the song's render.)
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "assets/music/song_build.h"
#include "assets/music/song_text.h"

namespace {

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every malformed line, in the song text, the instruments text or at compile time, is
// reported with the file and line.
TEST(MusicText, ErrorsNameTheLine) {
    const std::string body = "channels 4\nspeed 5\ntempo 125\norder 0\npattern 0 rows 64\n";
    const std::string ins = "instrument 1 test\n  synth kick\n  points 100\n  rate 8000 at C-5\n";
    const struct {
        std::string text;
        const char *where, *says = "";
    } cases[] = {
        {body + "00 | H-5 01 .. ...", "s.txt:6: channel 0: bad note"},
        {body + "00 | C-5 01 ..", "s.txt:6: channel 0: a cell needs 4 fields"},
        {body + "00 C-5 01 .. ...", "s.txt:6: ", "followed by '|'"},
        {body + "05 | C-5 01 .. ...\n05 | C-5 01 .. ...", "s.txt:7: rows must be in ascending"},
        {"speed 5\n00 | C-5 01 .. ...", "s.txt:2: a row line before"},
        {body + "02 | C-5 09 .. ...", "s.txt:6: instrument 9 is not defined"},
        {ins + "  volenv 0:64 10:30 5:0", "i.txt:5: ", "must increase"},
        {ins + "  synth organ", "i.txt:5: unknown synth"},
        {ins + "instrument 3 skip", "i.txt:5: ", "numbered 1, 2, 3"},
        {ins + "  transpose 5", "i.txt:1: ", "not 'transpose'"},
    };
    const auto game = music::parseInstruments(readText(SKARVO_MUSIC_DIR "/instruments.txt"), "instruments.txt");
    for (const auto& [text, where, says] : cases) {
        std::string msg;
        try {
            if (text.rfind("instrument", 0) == 0)
                music::parseInstruments(text + "\n", "i.txt");
            else
                music::compileSong(music::parseSong(text + "\n", "s.txt"), game);
        } catch (const music::TextError& e) {
            msg = e.what();
        }
        EXPECT_TRUE(msg.rfind(where, 0) == 0 && msg.find(says) != std::string::npos) << text << " -> " << msg;
    }
}

int runSongc(const std::string& args, const std::string& errPath, const std::string& outPath = "/dev/null") {
    int rc = std::system(("timeout 20 " SKARVO_SONGC " " + args + " >" + outPath + " 2>" + errPath).c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

// Settings that made the synthesiser write out of bounds, hang or compute with nan are
// refused at their line, with a short quote of what was read.
TEST(SongCompilerTool, RefusesSettingsOutsideTheirRanges) {
    const std::string dir = SKARVO_ARTIFACTS, err = dir + "/songc_range_err.txt", out = dir + "/songc_range.mxm";
    const std::string good = readText(SKARVO_MUSIC_DIR "/instruments.txt");
    const std::string longWord(3000, 'x');
    const struct {
        const char* from;
        std::string to, says;
    } cases[] = {
        {"spread=150", "spread=-150", "spread '-150' is outside 0..65536"},
        {"bright=0.35", "bright=nan", "bright 'nan' is not a finite number"},
        {"fall=0.025", "fall=0", "fall '0' is outside 0.0001..10"},
        {"rate 12000 at", "rate nan at", "rate 'nan' is not a finite number"},
        {"peak 0.92", "peak -inf", "peak '-inf' is not a finite number"},
        {"tone=185", "tone=185 tone=190", "synth setting 'tone' given twice"},
        {"synth hat decay=0.012", "synth hat f0=100", "synth hat has no setting 'f0' (decay)"},
        {"seed 11", "seed 11 # " + longWord, "line of 3012 characters, at most 2048: '  seed 11 # xxxx"},
    };
    for (const auto& c : cases) {
        std::string text = good;
        size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        text.replace(at, std::strlen(c.from), c.to);
        std::ofstream(dir + "/i.txt") << text;
        std::string line = std::to_string(1 + std::count(text.begin(), text.begin() + at, '\n'));
        std::remove(out.c_str());
        int rc = runSongc("--song " SKARVO_MUSIC_DIR "/song.txt --instruments " + dir + "/i.txt -o " + out, err);
        std::string msg = readText(err);
        EXPECT_EQ(rc, 1) << c.says;
        EXPECT_EQ(msg.rfind("songc: " + dir + "/i.txt:" + line + ": " + c.says, 0), 0u) << c.says << " -> " << msg;
        EXPECT_LT(msg.size(), 300u) << "the whole line was echoed";
        EXPECT_FALSE(std::ifstream(out).good()) << c.says << ": a failed run left an output file";
    }
    // A report that cannot be printed fails the run.
    const std::string gameTexts =
        "--song " SKARVO_MUSIC_DIR "/song.txt --instruments " SKARVO_MUSIC_DIR "/instruments.txt";
    EXPECT_EQ(runSongc(gameTexts + " -o " + out + " --report", err, "/dev/full"), 1);
    EXPECT_NE(readText(err).find("standard output: write error: No space left"), std::string::npos) << readText(err);
    // A text beyond the size limit is refused unread.
    std::ofstream(dir + "/big.txt") << std::string(music::MAX_TEXT_BYTES + 1, '#');
    EXPECT_EQ(runSongc("--song " + dir + "/big.txt --instruments " + dir + "/i.txt -o " + out, err), 1);
    EXPECT_NE(readText(err).find("big.txt: larger than 1048576 bytes"), std::string::npos) << readText(err);
}

}  // namespace
