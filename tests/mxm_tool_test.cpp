// The mxm tool, run as a process: exit codes and messages, WAV and raw output, trace lines.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "mxm_builder.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Result {
    int status;
    std::string out, err;
};

std::string readAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

class MxmTool : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/mxm-tool-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    Result run(const std::string& args) {
        std::string out = dir_ + "/stdout", err = dir_ + "/stderr";
        std::string command = std::string("'") + MXM_TOOL + "' " + args + " >'" + out + "' 2>'" + err + "'";
        int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readAll(out), readAll(err)};
    }

    std::string write(const std::string& name, const Bytes& bytes) {
        std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    std::string dir_;
};

Bytes song() {
    mxmb::Module m;
    m.channelCount = 2;
    m.initialSpeed = 4;
    m.orders = {0, 1};
    m.patterns = {mxmb::Pattern::empty(8), mxmb::Pattern::empty(3)};
    m.patterns[0].rows[0] = {mxmb::note(0, 49, 1), mxmb::note(1, 56, 1)};
    m.patterns[1].rows[1] = {mxmb::keyOff(0)};
    mxmb::Instrument ins;
    ins.samples.push_back(mxmb::Sample::looped8({0, 60, 120, 60, 0, -60, -120, -60}, 0));
    m.instruments.push_back(ins);
    return mxmb::build(m);
}

uint32_t le32(const std::string& s, size_t at) {
    return static_cast<uint8_t>(s[at]) | (static_cast<uint8_t>(s[at + 1]) << 8) |
           (static_cast<uint8_t>(s[at + 2]) << 16) | (static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3])) << 24);
}
uint32_t le16(const std::string& s, size_t at) {
    return static_cast<uint8_t>(s[at]) | (static_cast<uint8_t>(s[at + 1]) << 8);
}

TEST_F(MxmTool, UsageErrorsExitWithTwo) {
    Result r = run("");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("usage: mxm"), std::string::npos);

    r = run("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("render"), std::string::npos);
    EXPECT_EQ(r.err, "");

    for (const char* args :
         {"frobnicate", "info", "info a b", "render", "render x --seconds 1 --frames 5", "render x --chunk 0",
          "render x --chunk 16377", "render x --seconds -3", "render x --frames 12abc", "render x -o",
          "render x --bogus", "trace x", "trace x --ticks", "trace x --ticks -1"}) {
        r = run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err, "") << args;
        EXPECT_EQ(r.out, "") << args;
    }
    r = run("render --help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--chunk"), std::string::npos);
}

TEST_F(MxmTool, BadInputsExitWithOneAndSayWhy) {
    std::string missing = dir_ + "/nothing.mxm";
    for (const char* cmd : {"info", "render", "trace"}) {
        std::string extra = std::string(cmd) == "trace" ? " --ticks 1" : "";
        Result r = run(std::string(cmd) + " '" + missing + "'" + extra);
        EXPECT_EQ(r.status, 1) << cmd;
        EXPECT_NE(r.err.find("nothing.mxm"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("No such file"), std::string::npos) << r.err;
    }

    Bytes good = song();
    std::string truncated = write("cut.mxm", Bytes(good.begin(), good.end() - 3));
    Result r = run("info '" + truncated + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("invalid module at byte"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("past the end"), std::string::npos) << r.err;

    Bytes wrongMagic = good;
    wrongMagic[1] = 'Y';
    r = run("trace '" + write("magic.mxm", wrongMagic) + "' --ticks 2");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("magic"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");

    // An invalid module or an unwritable place leaves no output file behind.
    std::string wav = dir_ + "/out.wav";
    r = run("render '" + truncated + "' -o '" + wav + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(exists(wav));
    r = run("render '" + write("good.mxm", good) + "' -o '" + dir_ + "/no/such/dir.wav'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("dir.wav"), std::string::npos) << r.err;
}

TEST_F(MxmTool, RenderWritesAWavHeaderAndTheSameBytesRawAndInAnyChunking) {
    std::string module = write("song.mxm", song());
    std::string wav = dir_ + "/song.wav", raw = dir_ + "/song.raw";
    ASSERT_EQ(run("render '" + module + "' -o '" + wav + "' --frames 10000").status, 0);
    std::string w = readAll(wav);
    ASSERT_EQ(w.size(), 44u + 40000u);
    EXPECT_EQ(w.substr(0, 4), "RIFF");
    EXPECT_EQ(le32(w, 4), 36u + 40000u);
    EXPECT_EQ(w.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(le32(w, 16), 16u);
    EXPECT_EQ(le16(w, 20), 1u);       // PCM
    EXPECT_EQ(le16(w, 22), 2u);       // stereo
    EXPECT_EQ(le32(w, 24), 44100u);   // frames per second
    EXPECT_EQ(le32(w, 28), 176400u);  // bytes per second
    EXPECT_EQ(le16(w, 32), 4u);
    EXPECT_EQ(le16(w, 34), 16u);
    EXPECT_EQ(w.substr(36, 4), "data");
    EXPECT_EQ(le32(w, 40), 40000u);
    EXPECT_NE(w.substr(44).find_first_not_of('\0'), std::string::npos);  // not silence

    ASSERT_EQ(run("render '" + module + "' -o '" + raw + "' --frames 10000 --raw --chunk 1").status, 0);
    EXPECT_EQ(readAll(raw), w.substr(44));
    Result piped = run("render '" + module + "' -o - --raw --frames 10000 --chunk 16376");
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.out, w.substr(44));

    // Seconds are whole frames; the default name follows the module's.
    ASSERT_EQ(run("render '" + module + "' -o '" + wav + "' --seconds 0.5").status, 0);
    EXPECT_EQ(readAll(wav).size(), 44u + 22050u * 4);
    std::string here = "cd '" + dir_ + "' && '" + MXM_TOOL + "' render song.mxm --frames 10 --raw";
    ASSERT_EQ(std::system(here.c_str()), 0);
    EXPECT_EQ(readAll(dir_ + "/song.raw").size(), 40u);
    // No temporary files are left.
    EXPECT_EQ(std::system(("ls '" + dir_ + "' | grep -q part").c_str()) == 0, false);
}

TEST_F(MxmTool, TraceAndInfoDescribeTheSong) {
    std::string module = write("song.mxm", song());
    Result r = run("trace '" + module + "' --ticks 5");
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> lines;
    for (size_t at = 0, nl; (nl = r.out.find('\n', at)) != std::string::npos; at = nl + 1)
        lines.push_back(r.out.substr(at, nl - at));
    ASSERT_EQ(lines.size(), 5u);
    const char* const channelKeys[] = {"active",     "period",      "tickPeriod", "step",       "mixVolume",
                                       "mixPan",     "volume",      "panning",    "fadeVolume", "keyHeld",
                                       "restartPos", "volEnvPoint", "volEnvTick"};
    for (size_t k = 0; k < lines.size(); ++k) {
        const std::string& l = lines[k];
        std::string head = "{\"n\":" + std::to_string(k) + ",\"orderPos\":0,\"row\":" + std::to_string(k / 4) +
                           ",\"tick\":" + std::to_string(k % 4) +
                           ",\"speed\":4,\"tempo\":125,\"globalVolume\":64,\"channels\":[{";
        EXPECT_EQ(l.substr(0, head.size()), head);
        EXPECT_EQ(l.substr(l.size() - 3), "}]}");
        // Two channel objects, each with every key in order.
        size_t at = 0;
        for (int c = 0; c < 2; ++c) {
            for (const char* key : channelKeys) {
                at = l.find(std::string("\"") + key + "\":", at);
                ASSERT_NE(at, std::string::npos) << key << " in " << l;
            }
        }
        EXPECT_EQ(l.find("\"active\"", at), std::string::npos);
    }
    // The note on row 0 starts channel 0 at note 49's period and step.
    EXPECT_NE(lines[0].find("\"channels\":[{\"active\":1,\"period\":0,\"tickPeriod\":0,\"step\":194"),
              std::string::npos);

    r = run("info '" + module + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* part :
         {"channels 2, song length 2", "orders: 0 1", "0: 8 rows", "1: 3 rows", "forward loop 0..8", "initial speed 4"})
        EXPECT_NE(r.out.find(part), std::string::npos) << part << "\n" << r.out;
}

}  // namespace
