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

constexpr int START_TIMEOUT_MS = 30000;
constexpr int EXIT_TIMEOUT_MS = 3000;  // "at once", with room for a loaded machine
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
    int64_t firstFrameMs = -1;  // spawn to the first frame seen drawn
};

// Starts the game and waits for its window and its first drawn frame; the audio driver
// is chosen by `env`. The window is looked up again while waiting, since SDL may
// replace its first window when it sets up the renderer.
Game launch(const std::string& tag, std::vector<std::string> env = {"SDL_AUDIODRIVER=dummy"}) {
    Game g;
    if (!xserver()) {
        ADD_FAILURE() << "Xvfb could not be started (scripts/deps.sh installs it)";
        return g;
    }
    env.push_back("DISPLAY=" + xserver()->name);
    env.push_back("SDL_VIDEODRIVER=x11");
    g.child = e2e::spawn({SKARVO_BINARY}, env, ARTIFACTS + "/e2e_" + tag + ".log");
    int64_t deadline = g.child.startMs + START_TIMEOUT_MS;
    while (e2e::nowMs() < deadline) {
        Window w = e2e::waitForWindow(*xserver(), "Skarvo", int(deadline - e2e::nowMs()));
        if (!w) break;
        if (e2e::litFraction(e2e::grab(*xserver(), w)) > 0.2) {
            g.window = w;
            g.firstFrameMs = e2e::nowMs() - g.child.startMs;
            e2e::focus(*xserver(), w);
            break;
        }
        e2e::sleepMs(10);
    }
    return g;
}

std::string describe(int status) {
    if (WIFEXITED(status)) return "exit code " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
    return "status " + std::to_string(status);
}

// Expects the game to end at once with exit code 0 (after Escape or a close request).
void expectEndsWithZero(Game& g, const char* after) {
    int status = -1;
    bool ended = e2e::waitFor(g.child, EXIT_TIMEOUT_MS, &status);
    e2e::kill(g.child);
    ASSERT_TRUE(ended) << "still running " << EXIT_TIMEOUT_MS << " ms after " << after;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << describe(status) << " after " << after;
}

void expectEscapeEnds(Game& g) {
    ASSERT_TRUE(e2e::xdotool(*xserver(), {"key", "Escape"}));
    expectEndsWithZero(g, "Escape");
}

// Polls screenshots until `done` accepts one; returns the last one taken.
template <typename Pred>
Image grabUntil(Window w, int timeoutMs, Pred done) {
    int64_t deadline = e2e::nowMs() + timeoutMs;
    Image shot;
    do {
        shot = e2e::grab(*xserver(), w);
        if (done(shot)) break;
        e2e::sleepMs(20);
    } while (e2e::nowMs() < deadline);
    return shot;
}

// The figure's drawn square stays within these rows while it stands on the top row
// of its box; targets keep out of them during the first seconds (vultures end above
// row 224, boots start at row 289), so what differs from the backdrop here is the
// figure, and after a throw the thrown object.
const e2e::Region FIGURE_BAND = {0, 228, 470, 282};

// Started with a sound driver that does not exist, so opening the sound output fails:
// the game plays on without it.
TEST(Window, CaptionPlaceSizeAndHiddenCursorWithoutAudioDevice) {
    Game g = launch("window", {"SDL_AUDIODRIVER=no-such-driver"});
    ASSERT_NE(g.window, 0u) << "no mapped window captioned \"Skarvo\" showing a frame";
    EXPECT_EQ(e2e::windowName(*xserver(), g.window), "Skarvo");
    e2e::Geometry geo = e2e::windowGeometry(*xserver(), g.window);
    EXPECT_EQ(std::make_tuple(geo.x, geo.y, geo.width, geo.height), std::make_tuple(0, 0, 640, 480));
    // Outside the window the server's own cursor must show, which proves the probe
    // sees cursors at all.
    bool known = false;
    bool outsideInvisible = e2e::cursorInvisibleAt(*xserver(), 900, 700, &known);
    if (known) {
        EXPECT_FALSE(outsideInvisible) << "the probe sees no cursor even over the bare screen";
        EXPECT_TRUE(e2e::cursorInvisibleAt(*xserver(), 320, 240, &known)) << "the cursor shows over the game window";
    }
    expectEscapeEnds(g);
}

TEST(Play, BackdropFigureWalkAndThrow) {
    Image reference = e2e::backdropReference();
    ASSERT_EQ(reference.width, 640);
    Game g = launch("play");
    ASSERT_NE(g.window, 0u);

    // About a second in: the backdrop fills the window and the figure stands at the
    // top left corner of its box (drawn x -0.25..63.75, y 219.75..283.75).
    e2e::sleepMs(1000);
    Image start = e2e::grab(*xserver(), g.window);
    e2e::savePng(start, ARTIFACTS + "/e2e_start.png");
    Image a = e2e::normalise(start);
    EXPECT_GT(e2e::matchingFraction(a, reference), 0.85) << "the screen does not show the desert backdrop";
    Box figure = e2e::differingBox(a, reference, FIGURE_BAND);
    EXPECT_GT(figure.count, 300) << "no figure on the top row of its box";
    EXPECT_LE(figure.minX, 8);
    EXPECT_LE(figure.maxX, 70);
    Box under = e2e::differingBox(a, reference, {0, 290, 64, 380});
    EXPECT_LT(under.count, figure.count / 4) << "something is drawn below the figure in its box";

    // Holding Right for half a second walks it right (0.5 px/ms while held).
    ASSERT_TRUE(e2e::xdotool(*xserver(), {"keydown", "Right"}));
    e2e::sleepMs(500);
    ASSERT_TRUE(e2e::xdotool(*xserver(), {"keyup", "Right"}));
    Box moved;
    Image walked = grabUntil(g.window, 5000, [&](const Image& s) {
        moved = e2e::differingBox(e2e::normalise(s), reference, FIGURE_BAND);
        return moved.count > 300 && moved.centreX > figure.centreX + 60;
    });
    e2e::savePng(walked, ARTIFACTS + "/e2e_walked.png");
    EXPECT_GT(moved.centreX, figure.centreX + 60) << "the figure did not walk right";

    // Space throws an object that flies right beside the figure's 64-pixel square,
    // placed from the walked distance (throwing frames reach further than walking
    // ones), and well left of where targets come back (x >= 576).
    int squareLeft = moved.minX - figure.minX;
    e2e::Region beside = {squareLeft + 66, 228, std::min(squareLeft + 216, 560), 282};
    EXPECT_LT(e2e::differingBox(e2e::normalise(e2e::grab(*xserver(), g.window)), reference, beside).count, 20)
        << "something already flies beside the figure";
    ASSERT_TRUE(e2e::xdotool(*xserver(), {"key", "space"}));
    Box thrown;
    Image throwing = grabUntil(g.window, 5000, [&](const Image& s) {
        thrown = e2e::differingBox(e2e::normalise(s), reference, beside);
        return thrown.count >= 40;
    });
    e2e::savePng(throwing, ARTIFACTS + "/e2e_throw.png");
    // Targets keep out of the figure's rows only until they first come back on the
    // right, about four seconds in; a slower run than that may see one there.
    int64_t gameMs = e2e::nowMs() - g.child.startMs - g.firstFrameMs;
    EXPECT_GE(thrown.count, 40) << "no thrown object beside the figure (" << gameMs << " ms into the game)";
    EXPECT_LT(thrown.maxX - thrown.minX, 60) << "more than one small object beside the figure";
    expectEscapeEnds(g);
}

// Holding Space: the keyboard's auto-repeat (the server's, after about 0.66 s) brings
// repeated key-downs, each of which throws, so a trail of objects leaves the figure
// where a single throw covers at most a few 16-pixel columns. Escape then ends the
// game while keys are still held.
TEST(Play, HoldingSpaceThrowsAtTheRepeatRateAndEscapeStillEnds) {
    Image reference = e2e::backdropReference();
    Game g = launch("hold_space");
    ASSERT_NE(g.window, 0u);
    ASSERT_TRUE(e2e::xdotool(*xserver(), {"keydown", "space"}));
    e2e::sleepMs(1600);
    Image held = e2e::grab(*xserver(), g.window);
    e2e::savePng(held, ARTIFACTS + "/e2e_hold_space.png");
    Image a = e2e::normalise(held);
    int busyColumns = 0;
    for (int x0 = 70; x0 < 560; x0 += 16)
        busyColumns += e2e::differingBox(a, reference, {x0, 228, x0 + 16, 282}).count >= 10;
    EXPECT_GE(busyColumns, 8) << "holding Space threw no trail of objects";
    ASSERT_TRUE(e2e::xdotool(*xserver(), {"keydown", "Left", "keydown", "Up"}));
    expectEscapeEnds(g);
    e2e::xdotool(*xserver(), {"keyup", "Left", "keyup", "Up", "keyup", "space"});
}

// The close request a window manager sends, once sent directly and once through a
// real window manager's close key (Alt+F4 in openbox's default bindings).
TEST(Exit, CloseRequestEndsWithZero) {
    Game g = launch("close");
    ASSERT_NE(g.window, 0u);
    e2e::sendCloseRequest(*xserver(), g.window);
    expectEndsWithZero(g, "the close request");

    const char* wmPath = "/usr/bin/openbox";
    if (access(wmPath, X_OK) != 0) GTEST_SKIP() << "no window manager installed (openbox)";
    e2e::Child wm = e2e::spawn({wmPath}, {"DISPLAY=" + xserver()->name}, ARTIFACTS + "/e2e_wm_openbox.log");
    e2e::sleepMs(500);
    Game h = launch("wm_close");
    ASSERT_NE(h.window, 0u);
    e2e::xdotool(*xserver(), {"windowactivate", "--sync", std::to_string(h.window)});
    ASSERT_TRUE(e2e::xdotool(*xserver(), {"key", "alt+F4"}));
    expectEndsWithZero(h, "the window manager's close key");
    e2e::kill(wm);
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(Sound, DiskRecordingIsSilentRingThenTheSong) {
    if (std::string(MXM_BINARY).empty()) GTEST_SKIP() << "mxm is not built";
    const std::string recording = ARTIFACTS + "/e2e_disk_audio.raw";
    std::remove(recording.c_str());
    Game g = launch("disk_audio", {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + recording});
    ASSERT_NE(g.window, 0u);
    // Record about three ring lengths of song after the silent first turn.
    int64_t deadline = e2e::nowMs() + 20000;
    while (e2e::nowMs() < deadline && readFile(recording).size() < RING_BYTES + 3 * 176400) e2e::sleepMs(100);
    expectEscapeEnds(g);

    std::vector<uint8_t> got = readFile(recording);
    ASSERT_GT(got.size(), RING_BYTES + 44100 * 4) << "the disk driver recorded too little";
    for (size_t i = 0; i < RING_BYTES; ++i) ASSERT_EQ(got[i], 0) << "sound in the first ring length, at byte " << i;

    const std::string rendered = ARTIFACTS + "/e2e_mxm_render.raw";
    size_t songBytes = got.size() - RING_BYTES;
    e2e::Child r = e2e::spawn(
        {MXM_BINARY, "render", "--embedded", "--raw", "--frames", std::to_string(songBytes / 4), "-o", rendered}, {},
        ARTIFACTS + "/e2e_mxm_render.log");
    int status = -1;
    ASSERT_TRUE(e2e::waitFor(r, 120000, &status));
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "mxm render: " << describe(status);
    std::vector<uint8_t> want = readFile(rendered);
    ASSERT_GE(want.size(), songBytes);
    EXPECT_NE(std::count(want.begin(), want.begin() + songBytes, 0), long(songBytes)) << "the rendered song is silent";

    // Sample for sample from the start of the song. The comparison may stop early only
    // at an underrun, which shows as the ring replaying what it held one turn before.
    size_t matched = 0;
    while (matched < songBytes && got[RING_BYTES + matched] == want[matched]) ++matched;
    if (matched < songBytes) {
        size_t at = RING_BYTES + (matched & ~size_t(3));
        size_t span = std::min<size_t>(256, got.size() - at);
        EXPECT_TRUE(std::equal(got.begin() + at, got.begin() + at + span, got.begin() + at - RING_BYTES))
            << "recording differs from the render at song byte " << matched
            << " and is no replay of the previous ring turn";
        EXPECT_GE(matched, size_t(44100 * 4)) << "underrun within the first second of the song";
    }
}

}  // namespace
