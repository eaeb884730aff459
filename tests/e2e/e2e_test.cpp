// End-to-end tests: the real skarvo binary in a private Xvfb, driven with real key
// events (xdotool), judged by screenshots, exit codes and SDL's disk audio recording.
//
// Every step polls for the condition it needs, with generous limits, so a loaded
// machine only makes the tests slower; positions are checked with wide margins.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "process.h"
#include "screen_check.h"
#include "xserver.h"

namespace {

using e2e::Box;
using e2e::Image;

constexpr size_t RING_BYTES = 65536;
const std::string ARTIFACTS = SKARVO_ARTIFACTS;

// One private server for all the tests, stopped when they end; null if it cannot start.
e2e::XServer* xserver() {
    static e2e::XServer server;
    static bool started = [] {
        std::atexit([] { e2e::stopXvfb(&server); });
        return e2e::startXvfb(&server);
    }();
    return started ? &server : nullptr;
}

struct Game {
    e2e::Child child;
    Window window = 0;
};

// Starts the game and waits (30 s at most) for its window to show a drawn frame, then
// focuses it. The window is looked up again while waiting, since SDL may replace its
// first window when it sets up the renderer.
Game launch(const std::string& tag, std::vector<std::string> env = {"SDL_AUDIODRIVER=dummy"}) {
    Game g;
    if (!xserver()) {
        ADD_FAILURE() << "Xvfb could not be started (scripts/deps.sh installs it)";
        return g;
    }
    env.insert(env.end(), {"DISPLAY=" + xserver()->name, "SDL_VIDEODRIVER=x11"});
    g.child = e2e::spawn({SKARVO_BINARY}, env, ARTIFACTS + "/e2e_" + tag + ".log");
    const int64_t deadline = g.child.startMs + 30000;
    while (e2e::nowMs() < deadline && !g.window) {
        Window w = e2e::waitForWindow(*xserver(), "Skarvo", int(deadline - e2e::nowMs()));
        if (!w) break;
        if (e2e::litFraction(e2e::grab(*xserver(), w)) > 0.2) g.window = w;
        e2e::sleepMs(10);
    }
    if (g.window) e2e::xdotool(*xserver(), {"windowactivate", "--sync", std::to_string(g.window)});
    return g;
}

// Sends `key` (unless empty) and expects the game to end at once with exit code 0.
void expectEndsWithZero(Game& g, const char* key, const char* after) {
    if (*key) {
        ASSERT_TRUE(e2e::xdotool(*xserver(), {"key", key}));
    }
    int status = -1;
    bool ended = e2e::waitFor(g.child, 3000, &status);  // "at once", with room for a loaded machine
    e2e::kill(g.child);
    ASSERT_TRUE(ended) << "still running 3 s after " << after;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status << " after " << after;
}

// Polls screenshots (5 s at most) until `done` accepts what differs from `reference` in
// `r`; keeps the last one as an artifact and returns its box.
template <typename Pred>
Box pollBox(Window w, const Image& reference, e2e::Region r, const std::string& artifact, Pred done) {
    const int64_t deadline = e2e::nowMs() + 5000;
    Image shot;
    Box box;
    for (;; e2e::sleepMs(20)) {
        shot = e2e::grab(*xserver(), w);
        box = e2e::differingBox(e2e::normalise(shot), reference, r);
        if (done(box) || e2e::nowMs() >= deadline) break;
    }
    e2e::savePng(shot, ARTIFACTS + "/" + artifact);
    return box;
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Polls the window's outer geometry until it is width × height at the top left, for up to 5 s.
void expectGeometry(Window w, int width, int height) {
    const int64_t deadline = e2e::nowMs() + 5000;
    e2e::Geometry g = e2e::frameGeometry(*xserver(), w);
    while (std::make_tuple(g.x, g.y, g.width, g.height) != std::make_tuple(0, 0, width, height) &&
           e2e::nowMs() < deadline) {
        e2e::sleepMs(50);
        g = e2e::frameGeometry(*xserver(), w);
    }
    EXPECT_EQ(std::make_tuple(g.x, g.y, g.width, g.height), std::make_tuple(0, 0, width, height));
}

// Started with a sound driver that does not exist, so opening the sound output fails:
// the game plays on without it. F11 goes to fullscreen (the whole 1024 × 768 screen)
// and back.
TEST(Window, CaptionPlaceSizeAndFullscreenWithoutAudioDevice) {
    ASSERT_TRUE(xserver());
    // A window manager frames the window (the other tests look at bare 640 × 480 windows).
    e2e::Child windowManager =
        e2e::spawn({"/usr/bin/openbox"}, {"DISPLAY=" + xserver()->name}, ARTIFACTS + "/e2e_openbox.log");
    e2e::sleepMs(500);
    Game g = launch("window", {"SDL_AUDIODRIVER=no-such-driver"});
    ASSERT_NE(g.window, 0u) << "no mapped window captioned \"Skarvo\" showing a frame";
    expectGeometry(g.window, 640, 480);
    ASSERT_TRUE(e2e::xdotool(*xserver(), {"key", "F11"}));
    expectGeometry(g.window, 1024, 768);
    e2e::sleepMs(500);  // a few frames at the new size
    Image full = e2e::grab(*xserver(), DefaultRootWindow(xserver()->display));
    e2e::savePng(full, ARTIFACTS + "/e2e_fullscreen.png");
    ASSERT_EQ(full.width, 1024);
    // 1024 × 768 is 4:3: the sand reaches both screen edges, far beyond the 640 × 480 window.
    for (int px : {40, 985}) EXPECT_GT(full.at(px, 650)[0] + full.at(px, 650)[1] + full.at(px, 650)[2], 60) << px;
    ASSERT_TRUE(e2e::xdotool(*xserver(), {"key", "F11"}));
    expectGeometry(g.window, 640, 480);
    expectEndsWithZero(g, "Escape", "Escape");
    e2e::kill(windowManager);
}

// The figure's drawn square stays within the rows of FIGURE_BAND while it stands on the
// top row of its box; targets keep out of them during the first seconds, so what
// differs from the backdrop there is the figure, and after a throw the thrown object.
TEST(Play, BackdropFigureWalkAndThrow) {
    const e2e::Region FIGURE_BAND = {0, 228, 470, 282};
    Image reference = e2e::backdropReference();
    Game g = launch("play");
    ASSERT_NE(g.window, 0u);
    e2e::sleepMs(1000);
    Image start = e2e::grab(*xserver(), g.window);
    e2e::savePng(start, ARTIFACTS + "/e2e_start.png");
    EXPECT_GT(e2e::matchingFraction(e2e::normalise(start), reference), 0.85) << "no desert backdrop";
    Box figure = e2e::differingBox(e2e::normalise(start), reference, FIGURE_BAND);
    EXPECT_GT(figure.count, 300) << "no figure on the top row of its box";
    EXPECT_LE(figure.minX, 8);
    EXPECT_LE(figure.maxX, 70);

    // Holding Right for half a second walks it right (0.5 px/ms while held).
    ASSERT_TRUE(e2e::xdotool(*xserver(), {"keydown", "Right"}));
    e2e::sleepMs(500);
    ASSERT_TRUE(e2e::xdotool(*xserver(), {"keyup", "Right"}));
    Box moved = pollBox(g.window, reference, FIGURE_BAND, "e2e_walked.png",
                        [&](const Box& b) { return b.count > 300 && b.centreX > figure.centreX + 60; });
    EXPECT_GT(moved.centreX, figure.centreX + 60) << "the figure did not walk right";
    // On a loaded machine the key-up can reach the game frames later: wait until the
    // figure stands still, so the region beside it is measured from where it stopped.
    e2e::sleepMs(150);
    moved = pollBox(g.window, reference, FIGURE_BAND, "e2e_walked.png", [&](const Box& b) {
        bool still = b.minX == moved.minX && b.maxX == moved.maxX;
        moved = b;
        if (!still) e2e::sleepMs(150);  // several frames apart, even when frames are slow
        return still;
    });

    // Space throws an object that flies right beside the figure's square, well left of
    // where targets come back (x >= 576); nothing is there before.
    int squareLeft = moved.minX - figure.minX;
    e2e::Region beside = {squareLeft + 66, 228, std::min(squareLeft + 216, 560), 282};
    ASSERT_LT(e2e::differingBox(e2e::normalise(e2e::grab(*xserver(), g.window)), reference, beside).count, 20);
    ASSERT_TRUE(e2e::xdotool(*xserver(), {"key", "space"}));
    Box thrown = pollBox(g.window, reference, beside, "e2e_throw.png", [](const Box& b) { return b.count >= 40; });
    EXPECT_GE(thrown.count, 40) << "no thrown object beside the figure";
    expectEndsWithZero(g, "Escape", "Escape");
}

// The close request a window manager sends for its close button or key; the cursor
// hidden over the game meanwhile.
TEST(Exit, CursorHiddenAndCloseRequestEndsWithZero) {
    Game g = launch("close");
    ASSERT_NE(g.window, 0u);
    // Over the bare screen the server's own cursor must show: the probe sees cursors.
    bool known = false;
    const bool outsideInvisible = e2e::cursorInvisibleAt(*xserver(), 900, 700, &known);
    if (known) {
        EXPECT_FALSE(outsideInvisible) << "the probe sees no cursor even over the bare screen";
        EXPECT_TRUE(e2e::cursorInvisibleAt(*xserver(), 320, 240, &known)) << "the cursor shows over the game window";
    }
    e2e::sendCloseRequest(*xserver(), g.window);
    expectEndsWithZero(g, "", "the close request");
}

// Without a display (no server named, a server that is not there, or a driver that
// does not exist) the game does not start unseen on a blind fallback driver: one line
// from the game, exit 1. (An empty variable counts as unset, for SDL as for us.)
TEST(Exit, NoDisplayIsOneLineOnStderrAndExitCodeOne) {
    const char* const SAYS = "skarvo: start-up failed: creating the window";
    const std::vector<std::string> cases[] = {{"SDL_VIDEODRIVER=nonexistent"},
                                              {"DISPLAY=", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER="},
                                              {"DISPLAY=:97", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER="}};
    const std::string log = ARTIFACTS + "/e2e_nodisplay.log";
    for (std::vector<std::string> env : cases) {
        env.push_back("SDL_AUDIODRIVER=dummy");
        e2e::Child game = e2e::spawn({SKARVO_BINARY}, env, log);
        int status = 0;
        const bool ended = e2e::waitFor(game, 20000, &status);
        if (!ended) e2e::kill(game);
        EXPECT_TRUE(ended && WIFEXITED(status) && WEXITSTATUS(status) == 1) << env[0] << ": " << status;
        std::ifstream in(log);
        std::string line, failures;
        while (std::getline(in, line)) failures += line.rfind("skarvo:", 0) == 0 ? line + "\n" : "";
        EXPECT_EQ(failures.rfind(SAYS, 0), 0u) << env[0] << ": " << failures;
        EXPECT_EQ(failures.find('\n'), failures.size() - 1) << "one line";
        if (env[0] != "SDL_VIDEODRIVER=nonexistent") EXPECT_NE(failures.find("(no display: "), std::string::npos);
    }
}

TEST(Sound, DiskRecordingIsSilentRingThenTheSong) {
    if (std::string(MXM_BINARY).empty()) GTEST_SKIP() << "mxm is not built";
    const std::string recording = ARTIFACTS + "/e2e_disk_audio.raw";
    std::remove(recording.c_str());
    Game g = launch("disk_audio", {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + recording});
    ASSERT_NE(g.window, 0u);
    // Record about three seconds of song after the silent first turn.
    const int64_t deadline = e2e::nowMs() + 20000;
    while (e2e::nowMs() < deadline && readFile(recording).size() < RING_BYTES + 3 * 176400) e2e::sleepMs(100);
    expectEndsWithZero(g, "Escape", "Escape");

    std::vector<uint8_t> got = readFile(recording);
    ASSERT_GT(got.size(), RING_BYTES + 44100 * 4) << "the disk driver recorded too little";
    ASSERT_EQ(std::count(got.begin(), got.begin() + RING_BYTES, 0), long(RING_BYTES)) << "sound in the first ring";
    const std::string rendered = ARTIFACTS + "/e2e_mxm_render.raw";
    size_t songBytes = got.size() - RING_BYTES;
    e2e::Child r = e2e::spawn(
        {MXM_BINARY, "render", "--embedded", "--raw", "--frames", std::to_string(songBytes / 4), "-o", rendered}, {},
        ARTIFACTS + "/e2e_mxm_render.log");
    int status = -1;
    ASSERT_TRUE(e2e::waitFor(r, 120000, &status) && WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::vector<uint8_t> want = readFile(rendered);
    ASSERT_GE(want.size(), songBytes);
    ASSERT_NE(std::count(want.begin(), want.begin() + songBytes, 0), long(songBytes)) << "the rendered song is silent";

    // Sample for sample from the start of the song. The comparison may stop early only
    // at an underrun, which shows as the ring replaying what it held one turn before.
    size_t matched =
        std::mismatch(want.begin(), want.begin() + songBytes, got.begin() + RING_BYTES).first - want.begin();
    if (matched < songBytes) {
        size_t at = RING_BYTES + (matched & ~size_t(3));
        size_t span = std::min<size_t>(256, got.size() - at);
        EXPECT_TRUE(std::equal(got.begin() + at, got.begin() + at + span, got.begin() + at - RING_BYTES))
            << "recording differs from the render at song byte " << matched << " and is no replay of a ring turn";
        EXPECT_GE(matched, size_t(44100 * 4)) << "underrun within the first second of the song";
    }
}

}  // namespace
