// The mxm tool, run as a process: exit codes and messages, WAV and raw output, and output
// files that are never left half-written or put in place of a FIFO or a link.
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

#include "tools/mxm_builder.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string readAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::string q(const std::string& path) { return "'" + path + "'"; }

// Whether a temporary ".part" file is in `dir`.
bool hasPart(const std::string& dir) {
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().filename().string().find(".part") != std::string::npos) return true;
    return false;
}

bool is(const std::string& path, mode_t type) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && (st.st_mode & S_IFMT) == type;
}

// `v` as `bytes` little-endian bytes.
std::string le(uint32_t v, int bytes) {
    std::string out;
    for (int k = 0; k < bytes; ++k) out += static_cast<char>(v >> (8 * k));
    return out;
}

// A temporary folder holding `module`, a small song.
class MxmTool : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/mxm-tool-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        mxmb::Module m;
        m.orders = {0};
        m.patterns = {mxmb::Pattern::empty(8)};
        m.patterns[0].rows[0] = {mxmb::note(0, 49, 1)};
        m.instruments.emplace_back().samples.push_back(mxmb::Sample::looped8({0, 60, 120, 60, 0, -60, -120, -60}, 0));
        song_ = mxmb::build(m);
        module_ = write("song.mxm", song_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // `before` + the tool with `args` (within 20 s), standard output to `out`, standard
    // error to err_; waits for what `before` started in the background. Returns the status.
    int run(const std::string& args, const std::string& out = "/dev/null", const std::string& before = "") {
        std::string tool = "timeout 20 '" MXM_TOOL "' " + args + " >" + out + " 2>" + q(dir_ + "/err");
        int raw = std::system((before + tool + "; s=$?; wait; exit $s").c_str());
        err_ = readAll(dir_ + "/err");
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    int render(const std::string& to, const std::string& more = "--frames 5000", const std::string& before = "") {
        return run("render " + q(module_) + " -o " + q(to) + " " + more, "/dev/null", before);
    }

    std::string write(const std::string& name, const Bytes& bytes) {
        std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::ssize(bytes));
        return path;
    }

    std::string dir_, module_, err_;
    Bytes song_;
};

TEST_F(MxmTool, RenderWritesAWavHeaderAndTheSameBytesRaw) {
    ASSERT_EQ(render(dir_ + "/song.wav", "--frames 10000"), 0);
    std::string w = readAll(dir_ + "/song.wav");
    // PCM, stereo, 44,100 frames and 176,400 bytes a second, 4-byte frames of 16-bit samples.
    EXPECT_EQ(w.substr(0, 44), "RIFF" + le(36 + 40000, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(2, 2) +
                                   le(44100, 4) + le(176400, 4) + le(4, 2) + le(16, 2) + "data" + le(40000, 4));
    EXPECT_NE(w.find_first_not_of('\0', 44), std::string::npos);  // not silence
    ASSERT_EQ(render(dir_ + "/song.raw", "--frames 10000 --raw --chunk 1"), 0);
    EXPECT_EQ(readAll(dir_ + "/song.raw"), w.substr(44));
}

uint64_t fnv1a(const std::string& bytes) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char b : bytes) h = (h ^ b) * 0x100000001b3ull;
    return h;
}

// The game's song pins the player and the mixer: 80 s of its render and 5,000 ticks of
// its trace, byte for byte. After a deliberate change of the song or of how it plays,
// the failure prints the new hashes to put here.
TEST_F(MxmTool, TheGamesSongRendersAndTracesAsPinned) {
    ASSERT_EQ(run("render --embedded --raw --seconds 80 -o " + q(dir_ + "/song.raw")), 0) << err_;
    ASSERT_EQ(run("trace --embedded --ticks 5000", q(dir_ + "/song.trace")), 0) << err_;
    EXPECT_EQ(fnv1a(readAll(dir_ + "/song.raw")), 0x2483606fe120855cull);
    EXPECT_EQ(fnv1a(readAll(dir_ + "/song.trace")), 0x2026e164d726ce5full);
}

// A FIFO, a link and a link to nothing yet are written through, none replaced by a file.
// (The tests never name /dev/null itself: a broken build run as root would replace it.)
TEST_F(MxmTool, OutputIsWrittenThroughFifosAndLinksWithoutReplacingThem) {
    ASSERT_EQ(render(dir_ + "/plain.wav"), 0);
    const std::string wav = readAll(dir_ + "/plain.wav"), fifo = dir_ + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(render(fifo, "--frames 5000", "timeout 20 cat " + q(fifo) + " >" + q(dir_ + "/copy.wav") + " & "), 0);
    EXPECT_TRUE(is(fifo, S_IFIFO)) << "the FIFO was replaced";
    EXPECT_EQ(readAll(dir_ + "/copy.wav"), wav);

    write("old.wav", Bytes{1, 2, 3});
    ASSERT_EQ(symlink("old.wav", (dir_ + "/link.wav").c_str()), 0);
    ASSERT_EQ(symlink("later/new.wav", (dir_ + "/dangling.wav").c_str()), 0);
    ASSERT_EQ(mkdir((dir_ + "/later").c_str(), 0700), 0);
    for (const std::string name : {"/link.wav", "/dangling.wav"}) {
        ASSERT_EQ(render(dir_ + name), 0) << name;
        EXPECT_TRUE(is(dir_ + name, S_IFLNK)) << name << " is no link";
        EXPECT_EQ(readAll(dir_ + name), wav) << name;
    }
    EXPECT_FALSE(hasPart(dir_) || hasPart(dir_ + "/later"));
    EXPECT_TRUE(is("/dev/null", S_IFCHR));
}

// Killed part-way, a render leaves no temporary file and the old output as it was.
TEST_F(MxmTool, RenderKilledPartWayLeavesTheOldFile) {
    std::string target = write("out.wav", Bytes{7, 7, 7});
    for (int sig : {SIGTERM, SIGINT}) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            execl(MXM_TOOL, MXM_TOOL, "render", module_.c_str(), "-o", target.c_str(), "--seconds", "20000", nullptr);
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
        EXPECT_EQ(readAll(target), "\7\7\7");
    }
}

// Usage errors: status 2, the fault and where to find help. Inputs that cannot be used and
// output that cannot be written: status 1, one line saying why, no output file left. A
// module is read no further than its header says it reaches: an endless device, a stream or
// a file running on past that, or past what any module can use, is refused unread.
TEST_F(MxmTool, RefusalsExitWithTheirStatusAndOneMessage) {
    EXPECT_EQ(run("--help"), 0);
    EXPECT_EQ(run(""), 2);
    std::string cut = write("cut.mxm", Bytes(song_.begin(), song_.end() - 3)), padded = write("padded.mxm", song_),
                sparse = write("sparse.mxm", song_), m = q(module_);
    std::filesystem::resize_file(padded, song_.size() + (1 << 20));
    std::filesystem::resize_file(sparse, 4 * 0xFFFFFFFFll + 1);
    const struct {
        std::string command;
        int status;
        std::string says, out = "/dev/null", before = "";
    } cases[] = {
        {"frobnicate", 2, "unknown command 'frobnicate'"},
        {"info a b", 2, "more than one module"},
        {"render x --chunk 16377", 2, "--chunk needs a frame count from 1 to 16376"},
        {"render x --frames 12abc", 2, "--frames needs a whole number"},
        {"render x -o", 2, "-o needs a file name"},
        {"trace x --ticks -1", 2, "--ticks needs a whole number"},
        {"trace " + q(dir_ + "/nothing.mxm") + " --ticks 1", 1, "nothing.mxm: No such file"},
        {"render " + q(cut) + " -o " + q(dir_ + "/out.wav"), 1, "invalid module at byte"},
        {"info /dev/zero", 1, "wrong magic"},
        {"render /dev/zero -o " + q(dir_ + "/zero.wav"), 1, "wrong magic"},
        {"info /dev/stdin", 1, "its header lets a module use", "/dev/null", "cat " + m + " /dev/zero | "},
        {"info " + q(padded), 1, "its header lets a module use"},
        {"info " + q(sparse), 1, "longer than the 17179869180 bytes the format lets a module use"},
        {"info " + q(dir_), 1, "Is a directory"},
        {"info " + m, 1, "No space left on device", "/dev/full"},
        {"trace " + m + " --ticks 50", 1, "No space left on device", "/dev/full"},
        {"render " + m + " -o - --frames 5000", 1, "No space left on device", "/dev/full"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.command, c.out, c.before), c.status) << c.command;
        EXPECT_NE(err_.find(c.says), std::string::npos) << c.command << ": " << err_;
        EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), c.status) << c.command << ": " << err_;
        EXPECT_TRUE(c.status == 1 || err_.find("\nTry 'mxm") != std::string::npos) << err_;
    }
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/out.wav") || std::filesystem::exists(dir_ + "/zero.wav"));
    EXPECT_EQ(run("info " + m), 0);
}

}  // namespace
