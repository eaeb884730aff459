// Every tool that quotes its input in a message (a script line, a file name, a
// command) shows control bytes and invalid UTF-8 escaped: nothing it was given can act
// on the terminal it reports to.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const std::string ARTIFACTS = SKARVO_ARTIFACTS;
// An OSC sequence that would retitle the terminal, a bell, a C1 CSI and a stray byte.
const std::string HOSTILE = "\x1b]0;owned\x07\xc2\x9b" "2J\xff";
const std::string SHOWN = "\\x1b]0;owned\\x07\\xc2\\x9b2J\\xff";

// Runs argv with stderr into a file; the exit status and what it wrote there.
std::pair<int, std::string> run(const std::vector<std::string>& argv) {
    const std::string errPath = ARTIFACTS + "/tools_message.err";
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, 2);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0), dup2(null, 1);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    std::ifstream in(errPath, std::ios::binary);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())};
}

}  // namespace

TEST(ToolMessages, HostileTextIsShownEscaped) {
    const std::string script = ARTIFACTS + "/tools_message_script.txt", nowhere = "/nonexistent/" + HOSTILE;
    std::ofstream(script) << "start 0\n16\n32 down " << HOSTILE << "\n";
    const struct {
        std::vector<std::string> argv;
        int status;
    } cases[] = {
        {{SKARVO_SIM, script}, 2},
        {{MXM_TOOL, "info", nowhere}, 1},
        {{MXM_TOOL, HOSTILE}, 2},
        {{SONGC_TOOL, "--song", nowhere, "--instruments", nowhere, "-o", ARTIFACTS + "/x.mxm"}, 1},
        {{IMAGEGEN_TOOL, "--out", nowhere}, 1},
        {{PACKER_TOOL, "--block", nowhere, "--extract", ARTIFACTS}, 1},
    };
    for (const auto& c : cases) {
        const auto [status, err] = run(c.argv);
        EXPECT_EQ(status, c.status) << c.argv[0] << ": " << err;
        EXPECT_NE(err.find(SHOWN), std::string::npos) << c.argv[0] << ": " << err;
        for (unsigned char b : err)
            ASSERT_TRUE(b >= 0x20 || b == '\n' || b == '\t') << c.argv[0] << " wrote byte " << int(b) << ": " << err;
        EXPECT_EQ(err.find("\xc2\x9b"), std::string::npos) << c.argv[0];
    }
}

// A reader that goes away: with the shell's default SIGPIPE the tool ends by the signal,
// as Unix tools do; with SIGPIPE ignored, one message and status 1.
TEST(ToolMessages, ClosedPipeEndsByTheSignalOrWithOneMessage) {
    const std::string err = ARTIFACTS + "/tools_message_pipe.err";
    for (const bool ignored : {false, true}) {
        const std::string cmd = std::string("bash -c '") + (ignored ? "trap \"\" PIPE; " : "") + MXM_TOOL +
                                " render --embedded --raw -o - --seconds 30 2>" + err +
                                " | head -c 10 >/dev/null; exit ${PIPESTATUS[0]}'";
        const int raw = std::system(cmd.c_str());
        std::ifstream in(err);
        const std::string said((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!ignored) {
            EXPECT_EQ(WEXITSTATUS(raw), 128 + SIGPIPE) << said;
            EXPECT_EQ(said, "");
        } else {
            EXPECT_EQ(WEXITSTATUS(raw), 1);
            EXPECT_EQ(said, "mxm: standard output: write error: Broken pipe\n");
        }
    }
}
