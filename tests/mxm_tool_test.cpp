// The mxm tool, run as a process: exit codes and messages, WAV and raw output.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
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

    // `before` + the tool with `args` (within 20 s), standard output to `out`.
    Result run(const std::string& args, const std::string& out = "/dev/null", const std::string& before = "") {
        std::string err = dir_ + "/stderr";
        int raw =
            std::system((before + "timeout 20 '" + MXM_TOOL + "' " + args + " >" + out + " 2>'" + err + "'").c_str());
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

bool isFifo(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

// Whether a temporary ".part" file is in `dir`.
bool hasPart(const std::string& dir) {
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().filename().string().find(".part") != std::string::npos) return true;
    return false;
}

// A FIFO, a link and a link to nothing yet are written through; none of them is
// replaced by a file. (The tests never name /dev/null itself: a broken build run as
// root would replace it.)
TEST_F(MxmTool, OutputIsWrittenThroughFifosAndLinksWithoutReplacingThem) {
    std::string module = write("song.mxm", song());
    ASSERT_EQ(run("render '" + module + "' -o '" + dir_ + "/plain.wav' --frames 5000").status, 0);
    const std::string wav = readAll(dir_ + "/plain.wav");

    std::string fifo = dir_ + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string cmd = "timeout 20 cat '" + fifo + "' >'" + dir_ + "/copy.wav' & '" + MXM_TOOL + "' render '" + module +
                      "' -o '" + fifo + "' --frames 5000 2>/dev/null; s=$?; wait; exit $s";
    int raw = std::system(cmd.c_str());
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << raw;
    EXPECT_TRUE(isFifo(fifo)) << "the FIFO was replaced";
    EXPECT_EQ(readAll(dir_ + "/copy.wav"), wav);

    std::string old = write("old.wav", Bytes{1, 2, 3});
    ASSERT_EQ(symlink("old.wav", (dir_ + "/link.wav").c_str()), 0);
    ASSERT_EQ(symlink("later/new.wav", (dir_ + "/dangling.wav").c_str()), 0);
    ASSERT_EQ(mkdir((dir_ + "/later").c_str(), 0700), 0);
    for (const char* name : {"link.wav", "dangling.wav"}) {
        ASSERT_EQ(run("render '" + module + "' -o '" + dir_ + "/" + name + "' --frames 5000").status, 0) << name;
        struct stat st {};
        EXPECT_TRUE(lstat((dir_ + "/" + name).c_str(), &st) == 0 && S_ISLNK(st.st_mode)) << name << " is no link";
        EXPECT_EQ(readAll(dir_ + "/" + name), wav) << name;
    }
    EXPECT_FALSE(hasPart(dir_) || hasPart(dir_ + "/later"));
    struct stat null {};
    EXPECT_TRUE(stat("/dev/null", &null) == 0 && S_ISCHR(null.st_mode));
}

// Killed part-way, a render leaves no temporary file and the old output as it was.
TEST_F(MxmTool, RenderKilledPartWayLeavesTheOldFile) {
    std::string module = write("song.mxm", song());
    std::string target = write("out.wav", Bytes{7, 7, 7});
    for (int sig : {SIGTERM, SIGINT}) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            execl(MXM_TOOL, MXM_TOOL, "render", module.c_str(), "-o", target.c_str(), "--seconds", "20000",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!hasPart(dir_) && std::chrono::steady_clock::now() < until) usleep(1000);
        EXPECT_TRUE(hasPart(dir_)) << "no temporary file seen";
        kill(pid, sig);
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
        EXPECT_FALSE(hasPart(dir_)) << "signal " << sig << " left the temporary file";
        EXPECT_EQ(readAll(target), std::string("\7\7\7"));
    }
}

// Inputs that cannot be used and output that cannot be written: status 1, one line
// saying why, and no output file left behind. A module is read no further than its
// header says it reaches: an endless device, a stream or a file running on past that,
// or beyond what any module can use, is refused without being read whole.
TEST_F(MxmTool, FailuresExitWithOneAndOneMessage) {
    Bytes good = song();
    std::string module = write("song.mxm", good);
    std::string truncated = write("cut.mxm", Bytes(good.begin(), good.end() - 3));
    Bytes padded = good;
    padded.resize(good.size() + (1 << 20));
    std::string longFile = write("padded.mxm", padded);
    std::string sparse = write("sparse.mxm", good);
    ASSERT_EQ(truncate(sparse.c_str(), 4 * 0xFFFFFFFFll + 1), 0);
    const struct {
        std::string before, command, says, out = "/dev/null";
    } cases[] = {
        {"", "trace '" + dir_ + "/nothing.mxm' --ticks 1", "nothing.mxm: No such file"},
        {"", "render '" + truncated + "' -o '" + dir_ + "/out.wav'", "invalid module at byte"},
        {"", "info /dev/zero", "wrong magic"},
        {"", "render /dev/zero -o '" + dir_ + "/zero.wav'", "wrong magic"},
        {"cat '" + module + "' /dev/zero | ", "info /dev/stdin", "its header lets a module use"},
        {"", "info '" + longFile + "'", "its header lets a module use"},
        {"", "info '" + sparse + "'", "longer than the 17179869180 bytes the format lets a module use"},
        {"", "info '" + dir_ + "'", "Is a directory"},
        {"", "info '" + module + "'", "No space left on device", "/dev/full"},
        {"", "trace '" + module + "' --ticks 50", "No space left on device", "/dev/full"},
        {"", "render '" + module + "' -o - --frames 5000", "No space left on device", "/dev/full"},
    };
    for (const auto& c : cases) {
        Result r = run(c.command, c.out, c.before);
        EXPECT_EQ(r.status, 1) << c.command;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.command << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.command << ": " << r.err;
    }
    EXPECT_NE(access((dir_ + "/out.wav").c_str(), F_OK), 0);
    EXPECT_NE(access((dir_ + "/zero.wav").c_str(), F_OK), 0);
    EXPECT_EQ(run("info '" + module + "'").status, 0);
}

}  // namespace
