// The real window under a window manager in a private X server: outer size and
// place, and F11 into fullscreen (the whole screen) and back.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "e2e/process.h"
#include "e2e/xserver.h"

namespace {

const char* WINDOW_MANAGER = "/usr/bin/openbox";

// Polls the window's outer geometry until it is width × height at the top left, for up to 5 s.
void expectGeometry(e2e::XServer& x, Window w, int width, int height) {
    const int64_t deadline = e2e::nowMs() + 5000;
    e2e::Geometry g = e2e::frameGeometry(x, w);
    while ((g.x != 0 || g.y != 0 || g.width != width || g.height != height) && e2e::nowMs() < deadline) {
        e2e::sleepMs(50);
        g = e2e::frameGeometry(x, w);
    }
    EXPECT_TRUE(g.x == 0 && g.y == 0 && g.width == width && g.height == height)
        << g.width << "x" << g.height << " at " << g.x << "," << g.y << ", wanted " << width << "x" << height;
}

}  // namespace

TEST(WindowE2E, OuterSizeAtTheTopLeftAndF11FullscreenAndBack) {
    if (access(WINDOW_MANAGER, X_OK) != 0) GTEST_SKIP() << "no window manager installed (openbox)";
    e2e::XServer x;
    ASSERT_TRUE(e2e::startXvfb(&x));
    e2e::Child wm = e2e::spawn({WINDOW_MANAGER}, {"DISPLAY=" + x.name});
    e2e::sleepMs(500);
    e2e::Child game = e2e::spawn({SKARVO_BINARY}, {"DISPLAY=" + x.name, "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy"},
                                 SKARVO_ARTIFACTS "/platform_e2e_game.log");
    Window w = e2e::waitForWindow(x, "Skarvo", 20000);
    ASSERT_NE(w, 0u);

    expectGeometry(x, w, 640, 480);
    e2e::xdotool(x, {"windowactivate", "--sync", std::to_string(w)});
    ASSERT_TRUE(e2e::xdotool(x, {"key", "F11"}));
    expectGeometry(x, w, 1024, 768);
    e2e::sleepMs(500);  // a few frames at the new size
    e2e::Image full = e2e::grab(x, DefaultRootWindow(x.display));
    e2e::savePng(full, SKARVO_ARTIFACTS "/platform_e2e_fullscreen.png");
    ASSERT_EQ(full.width, 1024);
    // 1024 × 768 is 4:3: the sand reaches both screen edges, far beyond the 640 × 480 window.
    for (int px : {40, 985}) EXPECT_GT(full.at(px, 650)[0] + full.at(px, 650)[1] + full.at(px, 650)[2], 60) << px;

    ASSERT_TRUE(e2e::xdotool(x, {"key", "F11"}));
    expectGeometry(x, w, 640, 480);

    int status = 0;
    EXPECT_FALSE(e2e::waitFor(game, 100, &status)) << "the game ended";
    e2e::kill(game);
    e2e::kill(wm);
    e2e::stopXvfb(&x);
}

// Without a display (no server named, a server that is not there, or a driver that
// does not exist) the game does not start unseen on a blind fallback driver: one line
// from the game, exit 1. (An empty variable counts as unset, for SDL as for us.)
TEST(WindowE2E, NoDisplayIsOneLineOnStderrAndExitCodeOne) {
    const struct {
        std::vector<std::string> env;
        const char* says;
    } cases[] = {
        {{"SDL_VIDEODRIVER=nonexistent"}, "skarvo: start-up failed: creating the window"},
        {{"DISPLAY=", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER="},
         "skarvo: start-up failed: creating the window (no display: "},
        {{"DISPLAY=:97", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER="},
         "skarvo: start-up failed: creating the window (no display: "},
    };
    const std::string log = SKARVO_ARTIFACTS "/platform_e2e_nodisplay.log";
    for (const auto& c : cases) {
        std::vector<std::string> env = c.env;
        env.push_back("SDL_AUDIODRIVER=dummy");
        e2e::Child game = e2e::spawn({SKARVO_BINARY}, env, log);
        int status = 0;
        bool ended = e2e::waitFor(game, 20000, &status);
        if (!ended) e2e::kill(game);
        EXPECT_TRUE(ended && WIFEXITED(status) && WEXITSTATUS(status) == 1) << c.env[0] << ": " << status;
        std::ifstream in(log);
        std::string line, failures;
        while (std::getline(in, line)) failures += line.rfind("skarvo:", 0) == 0 ? line + "\n" : "";
        EXPECT_EQ(failures.rfind(c.says, 0), 0u) << c.env[0] << ": " << failures;
        EXPECT_EQ(failures.find('\n'), failures.size() - 1) << "one line";
    }
}
