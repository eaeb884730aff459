// skarvo-sim end to end: the checked-in replays give the checked-in output (SKARVO_REGENERATE=1
// rewrites them from this build: review the diff), bad scripts, PNG snapshots.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace {

const std::string REPLAYS = std::string(SKARVO_TEST_DATA) + "/replays/", ARTIFACTS = SKARVO_ARTIFACTS;

std::vector<std::string> lines(const std::string& path) {
    std::vector<std::string> out;
    std::ifstream in(path, std::ios::binary);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

struct SimRun {
    int status;
    std::vector<std::string> out, err;
};

SimRun runSim(const std::string& args) {
    const std::string base = ARTIFACTS + "/sim_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    const int raw = std::system((SKARVO_SIM " " + args + " >" + base + ".out 2>" + base + ".err").c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, lines(base + ".out"), lines(base + ".err")};
}

// The long replay is kept in brief: the counters and the player as printed, then the
// figure's and the targets' draws (picture, place, colour) and how many shots were drawn.
std::string summarise(const std::string& line) {
    const size_t poolsAt = line.find(", \"targets\": ["), drawsAt = line.find(", \"draws\": [");
    if (poolsAt == std::string::npos || drawsAt == std::string::npos) return line;  // the exit line
    static const std::regex draw(
        R"re(\{"tex": ("tex(\w+)"), "pos": (\[[^\]]*\]), "centre": \[[^\]]*\], "colour": ("\w+"))re");
    static const std::regex shot("Banana|Ring|Plate|Joystick|Bottle");
    std::string s = line.substr(0, poolsAt) + ", \"draws\": [", sep;
    int shotDraws = 0;
    for (std::sregex_iterator m(line.begin() + drawsAt, line.end(), draw), end; m != end; ++m) {
        if (std::regex_match((*m)[2].str(), shot)) {
            ++shotDraws;
        } else {
            s += sep + "{\"tex\": " + (*m)[1].str() + ", \"pos\": " + (*m)[3].str() + ", \"colour\": " + (*m)[4].str() +
                 "}";
            sep = ", ";
        }
    }
    return s + "], \"shotDraws\": " + std::to_string(shotDraws) + "}";
}

}  // namespace

// throw_and_hit: the ring's first slot, the hit, its flash. keys_and_close: arrow keys, the box,
// walking frames, the close message. clock_wrap: the clock across 2^31 and 2^32. long_game
// (in brief): levels 1 to 3, ten lives lost to contact, the pause and the return.
TEST(SimReplay, CheckedInReplaysGiveTheCheckedInOutput) {
    for (const std::string name : {"throw_and_hit", "keys_and_close", "clock_wrap", "long_game"}) {
        const bool brief = name == "long_game";
        SimRun r = runSim(REPLAYS + name + ".txt");
        ASSERT_EQ(r.status, 0) << name;
        if (brief)
            for (auto& l : r.out) l = summarise(l);
        const std::string expectedPath = REPLAYS + name + (brief ? ".summary.jsonl" : ".jsonl");
        if (std::getenv("SKARVO_REGENERATE")) {
            std::ofstream out(expectedPath, std::ios::binary);
            for (const auto& l : r.out) out << l << "\n";
            continue;
        }
        const std::vector<std::string> want = lines(expectedPath);
        const auto diff = std::mismatch(r.out.begin(), r.out.end(), want.begin(), want.end());
        EXPECT_TRUE(diff.second == want.end() && diff.first == r.out.end())
            << name << ": first difference at output line " << diff.first - r.out.begin();
    }
}

// Scripts that are no script (a folder, an endless device, a huge line, a bad line) are
// refused with one short line before any frame runs, and output that cannot be written
// fails the run.
TEST(SimCommandLine, BadInputsAndLostOutput) {
    const std::string hugeLine = ARTIFACTS + "/sim_huge_line.txt", badLine = ARTIFACTS + "/sim_bad_script.txt";
    std::ofstream(hugeLine) << "16\n32 down " << std::string(100000, 'X') << "\n";
    std::ofstream(badLine) << "start 0\n16\n# fine so far\n32 down SHIFT\n48\n";
    const struct {
        std::string script, says;
    } cases[] = {
        {ARTIFACTS, "is a directory"},
        {"/dev/zero", "/dev/zero: larger than 67108864 bytes"},
        {hugeLine, "line 2: longer than 1024 characters: \"32 down XXXX"},
        {badLine, "line 4"},
    };
    for (const auto& c : cases) {
        const SimRun r = runSim(c.script);
        EXPECT_EQ(r.status, 2) << c.script;
        EXPECT_TRUE(r.out.empty()) << c.script;
        ASSERT_EQ(r.err.size(), 1u) << c.script;
        EXPECT_NE(r.err[0].find(c.says), std::string::npos) << r.err[0];
        EXPECT_LT(r.err[0].size(), 200u);
    }
    const std::string err = ARTIFACTS + "/sim_full.err";
    const int raw = std::system((SKARVO_SIM " " + REPLAYS + "throw_and_hit.txt >/dev/full 2>" + err).c_str());
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 1) << raw;
    ASSERT_EQ(lines(err).size(), 1u);
    EXPECT_NE(lines(err)[0].find("No space left on device"), std::string::npos) << lines(err)[0];
}

// Every Nth finished frame is saved, the exiting one (16 here) never; only saved frames are
// rasterised, so a snapshot is the same whether every frame or every third one was drawn.
TEST(SimCommandLine, SnapshotsOfEveryNthFinishedFrameDoNotDependOnWhichAreDrawn) {
    const std::filesystem::path every = std::filesystem::path(ARTIFACTS) / "sim_png_every1",
                                third = std::filesystem::path(ARTIFACTS) / "sim_png_every3";
    std::filesystem::remove_all(every);
    std::filesystem::remove_all(third);
    ASSERT_EQ(runSim("--png-every 1 " + every.string() + " " + REPLAYS + "throw_and_hit.txt").status, 0);
    ASSERT_EQ(runSim("--png-every 3 " + third.string() + " " + REPLAYS + "throw_and_hit.txt").status, 0);
    auto bytes = [](const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    for (int frame = 0; frame <= 16; ++frame) {
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06d.png", frame);
        const bool saved = frame % 3 == 0 && frame < 16;
        EXPECT_EQ(std::filesystem::exists(every / name), frame < 16) << name;
        EXPECT_EQ(std::filesystem::exists(third / name), saved) << name;
        EXPECT_TRUE(!saved || bytes(third / name) == bytes(every / name)) << name;
    }
}
