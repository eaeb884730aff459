// The real window under a window manager in a private X server: outer size and
// place, and F11 into fullscreen (the whole screen) and back.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "e2e/process.h"
#include "e2e/xserver.h"

namespace {

const char* WINDOW_MANAGER = "/usr/bin/openbox";

// Polls the window's outer geometry until it matches or the time is up.
bool waitForGeometry(e2e::XServer& x, Window w, int gx, int gy, int width, int height, e2e::Geometry* last) {
    const int64_t deadline = e2e::nowMs() + 5000;
    for (;;) {
        *last = e2e::windowGeometry(x, w);
        if (last->x == gx && last->y == gy && last->width == width && last->height == height) return true;
        if (e2e::nowMs() >= deadline) return false;
        e2e::sleepMs(50);
    }
}

bool notBlack(const uint8_t* p) { return p[0] + p[1] + p[2] > 60; }

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

    e2e::Geometry g;
    EXPECT_TRUE(waitForGeometry(x, w, 0, 0, 640, 480, &g))
        << "outer " << g.width << "x" << g.height << " at " << g.x << "," << g.y;

    e2e::xdotool(x, {"windowactivate", "--sync", std::to_string(w)});
    ASSERT_TRUE(e2e::xdotool(x, {"key", "F11"}));
    EXPECT_TRUE(waitForGeometry(x, w, 0, 0, 1024, 768, &g))
        << "fullscreen " << g.width << "x" << g.height << " at " << g.x << "," << g.y;
    e2e::sleepMs(500);  // a few frames at the new size
    e2e::Image full = e2e::grab(x, DefaultRootWindow(x.display));
    e2e::savePng(full, SKARVO_ARTIFACTS "/platform_e2e_fullscreen.png");
    ASSERT_EQ(full.width, 1024);
    // 1024 × 768 is 4:3: the sand reaches both screen edges, far beyond the 640 × 480 window.
    EXPECT_TRUE(notBlack(full.at(40, 650)));
    EXPECT_TRUE(notBlack(full.at(985, 650)));

    ASSERT_TRUE(e2e::xdotool(x, {"key", "F11"}));
    EXPECT_TRUE(waitForGeometry(x, w, 0, 0, 640, 480, &g))
        << "back " << g.width << "x" << g.height << " at " << g.x << "," << g.y;

    // F11 never reached the game, which still runs; Escape ends it with code 0.
    int status = 0;
    EXPECT_FALSE(e2e::waitFor(game, 100, &status));
    e2e::xdotool(x, {"windowactivate", "--sync", std::to_string(w)});
    ASSERT_TRUE(e2e::xdotool(x, {"key", "Escape"}));
    ASSERT_TRUE(e2e::waitFor(game, 5000, &status));
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    e2e::kill(game);
    e2e::kill(wm);
    e2e::stopXvfb(&x);
}

TEST(WindowE2E, NoDisplayIsOneLineOnStderrAndExitCodeOne) {
    const std::string log = SKARVO_ARTIFACTS "/platform_e2e_nodisplay.log";
    e2e::Child game = e2e::spawn({SKARVO_BINARY}, {"SDL_VIDEODRIVER=nonexistent", "SDL_AUDIODRIVER=dummy"}, log);
    int status = 0;
    ASSERT_TRUE(e2e::waitFor(game, 20000, &status));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    std::ifstream in(log);
    std::string line, failures;
    while (std::getline(in, line))
        if (line.find("skarvo:") == 0) failures += line + "\n";
    EXPECT_NE(failures.find("start-up failed: creating the window"), std::string::npos) << failures;
    EXPECT_EQ(std::count(failures.begin(), failures.end(), '\n'), 1);
}
