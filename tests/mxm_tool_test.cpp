// The mxm tool, run as a process: exit codes and messages, WAV and raw output.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

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
    std::string err;
};

std::string readAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

class MxmTool : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/mxm-tool-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    Result run(const std::string& args) {
        std::string err = dir_ + "/stderr";
        int raw = std::system((std::string("'") + MXM_TOOL + "' " + args + " >/dev/null 2>'" + err + "'").c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readAll(err)};
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
    m.orders = {0};
    m.patterns = {mxmb::Pattern::empty(8)};
    m.patterns[0].rows[0] = {mxmb::note(0, 49, 1)};
    m.instruments.emplace_back().samples.push_back(mxmb::Sample::looped8({0, 60, 120, 60, 0, -60, -120, -60}, 0));
    return mxmb::build(m);
}

// `v` as `bytes` little-endian bytes.
std::string le(uint32_t v, int bytes) {
    std::string out;
    for (int k = 0; k < bytes; ++k) out += static_cast<char>(v >> (8 * k));
    return out;
}

TEST_F(MxmTool, HelpExitsWithZeroAndUsageErrorsWithTwo) {
    EXPECT_EQ(run("--help").status, 0);
    for (const char* args : {"", "frobnicate", "info a b", "render x --chunk 16377", "render x --frames 12abc",
                             "render x -o", "trace x --ticks -1"}) {
        Result r = run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err, "") << args;
    }
}

TEST_F(MxmTool, BadInputsExitWithOneAndLeaveNoOutput) {
    Result r = run("trace '" + dir_ + "/nothing.mxm' --ticks 1");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("nothing.mxm: No such file"), std::string::npos) << r.err;
    Bytes good = song();
    std::string truncated = write("cut.mxm", Bytes(good.begin(), good.end() - 3));
    r = run("render '" + truncated + "' -o '" + dir_ + "/out.wav'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("invalid module at byte"), std::string::npos) << r.err;
    EXPECT_NE(access((dir_ + "/out.wav").c_str(), F_OK), 0);
}

TEST_F(MxmTool, RenderWritesAWavHeaderAndTheSameBytesRaw) {
    std::string module = write("song.mxm", song());
    std::string wav = dir_ + "/song.wav", raw = dir_ + "/song.raw";
    ASSERT_EQ(run("render '" + module + "' -o '" + wav + "' --frames 10000").status, 0);
    std::string w = readAll(wav);
    // PCM, stereo, 44,100 frames and 176,400 bytes a second, 4-byte frames of 16-bit samples.
    EXPECT_EQ(w.substr(0, 44), "RIFF" + le(36 + 40000, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(2, 2) +
                                   le(44100, 4) + le(176400, 4) + le(4, 2) + le(16, 2) + "data" + le(40000, 4));
    EXPECT_NE(w.find_first_not_of('\0', 44), std::string::npos);  // not silence
    ASSERT_EQ(run("render '" + module + "' -o '" + raw + "' --frames 10000 --raw --chunk 1").status, 0);
    EXPECT_EQ(readAll(raw), w.substr(44));
}

}  // namespace
