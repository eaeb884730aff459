// The mxm tool, run as a process: exit codes and messages, WAV and raw output, trace lines.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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

// `v` as `bytes` little-endian bytes.
std::string le(uint32_t v, int bytes) {
    std::string out;
    for (int k = 0; k < bytes; ++k) out += static_cast<char>(v >> (8 * k));
    return out;
}

TEST_F(MxmTool, UsageErrorsExitWithTwo) {
    Result r = run("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("render"), std::string::npos);
    for (const char* args : {"", "frobnicate", "info a b", "render x --seconds 1 --frames 5", "render x --chunk 16377",
                             "render x --frames 12abc", "render x -o", "trace x --ticks -1"}) {
        r = run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err, "") << args;
        EXPECT_EQ(r.out, "") << args;
    }
}

TEST_F(MxmTool, BadInputsExitWithOneAndSayWhy) {
    Result r = run("trace '" + dir_ + "/nothing.mxm' --ticks 1");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("nothing.mxm: No such file"), std::string::npos) << r.err;

    Bytes good = song();
    std::string truncated = write("cut.mxm", Bytes(good.begin(), good.end() - 3));
    r = run("info '" + truncated + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("invalid module at byte"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("past the end"), std::string::npos) << r.err;

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
    // PCM, stereo, 44,100 frames and 176,400 bytes a second, 4-byte frames of 16-bit samples.
    EXPECT_EQ(w.substr(0, 44), "RIFF" + le(36 + 40000, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(2, 2) +
                                   le(44100, 4) + le(176400, 4) + le(4, 2) + le(16, 2) + "data" + le(40000, 4));
    EXPECT_NE(w.find_first_not_of('\0', 44), std::string::npos);  // not silence

    ASSERT_EQ(run("render '" + module + "' -o '" + raw + "' --frames 10000 --raw --chunk 1").status, 0);
    EXPECT_EQ(readAll(raw), w.substr(44));
    Result piped = run("render '" + module + "' -o - --raw --frames 10000 --chunk 16376");
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.out, w.substr(44));

    // Seconds are whole frames; the default name follows the module's.
    std::string here = "cd '" + dir_ + "' && '" + MXM_TOOL + "' render song.mxm --seconds 0.5 --raw";
    ASSERT_EQ(std::system(here.c_str()), 0);
    EXPECT_EQ(readAll(raw).size(), 22050u * 4);
    EXPECT_NE(std::system(("ls '" + dir_ + "' | grep -q part").c_str()), 0);  // no temporary files left
}

TEST_F(MxmTool, TraceAndInfoDescribeTheSong) {
    std::string module = write("song.mxm", song());
    Result r = run("trace '" + module + "' --ticks 5");
    ASSERT_EQ(r.status, 0) << r.err;
    // One line a tick, two channel objects each; the head of tick 4 (row 1, tick 0):
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 5);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '{'), 5 * 3);
    EXPECT_NE(r.out.find("\n{\"n\":4,\"orderPos\":0,\"row\":1,\"tick\":0,\"speed\":4,\"tempo\":125,"
                         "\"globalVolume\":64,\"channels\":[{\"active\":"),
              std::string::npos);
    // The note on row 0 starts channel 0 at note 49's period and step.
    EXPECT_NE(r.out.find("\"channels\":[{\"active\":1,\"period\":0,\"tickPeriod\":0,\"step\":194"), std::string::npos);

    r = run("info '" + module + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* part :
         {"channels 2, song length 2", "orders: 0 1", "0: 8 rows", "1: 3 rows", "forward loop 0..8", "initial speed 4"})
        EXPECT_NE(r.out.find(part), std::string::npos) << part << "\n" << r.out;
}

}  // namespace
