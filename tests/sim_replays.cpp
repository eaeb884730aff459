// skarvo-sim end to end: the checked-in replays give the checked-in output, and the
// command line behaves (help, bad scripts, PNG snapshots, the exit line).
//
// SKARVO_REGENERATE=1 rewrites the expected files from the current build (then
// review the diff before committing it).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string REPLAYS = std::string(SKARVO_TEST_DATA) + "/replays/";
const std::string ARTIFACTS = SKARVO_ARTIFACTS;

std::string slurp(const std::string& path) {
    std::stringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

struct SimRun {
    int status;
    std::string out, err;
};

SimRun runSim(const std::string& args) {
    const std::string base = ARTIFACTS + "/sim_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    const int raw =
        std::system((std::string(SKARVO_SIM) + " " + args + " >" + base + ".out 2>" + base + ".err").c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(base + ".out"), slurp(base + ".err")};
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
            continue;
        }
        s +=
            sep + "{\"tex\": " + (*m)[1].str() + ", \"pos\": " + (*m)[3].str() + ", \"colour\": " + (*m)[4].str() + "}";
        sep = ", ";
    }
    return s + "], \"shotDraws\": " + std::to_string(shotDraws) + "}";
}

void compareWithExpected(const std::string& name, bool summary) {
    SimRun r = runSim(REPLAYS + name + ".txt");
    ASSERT_EQ(r.status, 0) << r.err;
    std::string actual;
    for (const std::string& l : splitLines(r.out)) actual += (summary ? summarise(l) : l) + "\n";
    const std::string expectedPath = REPLAYS + name + (summary ? ".summary.jsonl" : ".jsonl");
    if (std::getenv("SKARVO_REGENERATE")) {
        std::ofstream(expectedPath, std::ios::binary) << actual;
        GTEST_SKIP() << "rewrote " << expectedPath;
    }
    const std::vector<std::string> want = splitLines(slurp(expectedPath)), got = splitLines(actual);
    ASSERT_FALSE(want.empty()) << expectedPath;
    for (size_t i = 0; i < want.size() && i < got.size(); ++i)
        ASSERT_EQ(got[i], want[i]) << name << ": first difference at output line " << i;
    EXPECT_EQ(got.size(), want.size());
}

}  // namespace

// A throw into the boot's path: the ring's first slot, the hit, its flash, the boot destroyed.
TEST(SimReplay, ThrowAndHit) { compareWithExpected("throw_and_hit", false); }
// Arrow key semantics, the figure's box and walking frames, the close message.
TEST(SimReplay, KeysAndClose) { compareWithExpected("keys_and_close", false); }
// The clock across 2^31 and 2^32: signed stamps, negative-clock pictures and tints.
TEST(SimReplay, ClockWrap) { compareWithExpected("clock_wrap", false); }
// Levels 1 to 3 by shooting, ten lives lost to contact, the pause and the return.
TEST(SimReplay, LongGame) { compareWithExpected("long_game", true); }

TEST(SimCommandLine, HelpAndBadInput) {
    SimRun help = runSim("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: skarvo-sim"), std::string::npos);
    std::ofstream(ARTIFACTS + "/sim_bad_script.txt") << "start 0\n16\n# fine so far\n32 down SHIFT\n48\n";
    SimRun r = runSim(ARTIFACTS + "/sim_bad_script.txt");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.out.empty()) << "nothing runs before the whole script is read";
    EXPECT_NE(r.err.find("line 4"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("32 down SHIFT"), std::string::npos) << r.err;
    EXPECT_EQ(runSim(ARTIFACTS + "/no_such_script.txt").status, 2);
}

TEST(SimCommandLine, ExitLineAndSnapshots) {
    std::ofstream(ARTIFACTS + "/sim_exit_script.txt")
        << "start 100\n116\n132\n148 down SPACE\n164\n180 down ESCAPE\n196\n";
    const fs::path dir = fs::path(ARTIFACTS) / "sim_png";
    fs::remove_all(dir);
    SimRun r = runSim("--png-every 2 " + dir.string() + " " + ARTIFACTS + "/sim_exit_script.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> lines = splitLines(r.out);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[4], "{\"frame\": 4, \"exit\": 0}");
    EXPECT_EQ(lines[0].rfind("{\"frame\": 0, \"clockMs\": 116, \"frameMs\": 16, ", 0), 0u) << lines[0];
    EXPECT_NE(lines[2].find("\"fireHeld\": 1, \"shotCounter\": 1, "), std::string::npos);
    EXPECT_TRUE(fs::exists(dir / "frame-000000.png"));
    EXPECT_FALSE(fs::exists(dir / "frame-000001.png"));
    EXPECT_TRUE(fs::exists(dir / "frame-000002.png"));
    EXPECT_FALSE(fs::exists(dir / "frame-000004.png")) << "the exiting frame is not finished";
}
