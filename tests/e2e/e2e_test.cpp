// End-to-end tests of the real game: the Linux build, or with SKARVO_EXE set the Windows
// build under Wine (scripts/test-windows.sh runs it so, one case a process). Each case
// starts the game in a private Xvfb, drives it with xdotool and judges it by
// screenshots, exit codes, standard error and (Linux) SDL's disk audio recording.
//   SKARVO_EXE        the Windows game, run by WINE (default /usr/bin/wine) in the
//                     WINEPREFIX that wineboot made ready
//   SKARVO_ARTIFACTS  where screenshots and logs are kept (default: the Linux build's)
// Every step polls for what it waits for, with generous limits (Wine takes seconds to
// start a program); only how soon the game ends after Escape is held to a time.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "process.h"
#include "screen_check.h"
#include "xserver.h"

namespace {

using e2e::Box;
using e2e::Image;
using e2e::Region;

std::string setting(const char* name, const char* fallback = "") {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

// How each build is started, and what no sound device and no display are for it (for
// SDL as for the game an empty variable counts as unset; Wine's are taken away).
struct Target {
    std::vector<std::string> command, env, sound, noSound;
    std::vector<std::vector<std::string>> noDisplay;
    std::string prefix;  // of the artifacts' names
    int exitMs;          // how soon after Escape or the close request the game has ended
    bool wine;
};
// clang-format off
const Target T = setting("SKARVO_EXE").empty()
    ? Target{{SKARVO_BINARY}, {"SDL_VIDEODRIVER=x11"}, {"SDL_AUDIODRIVER=dummy"}, {"SDL_AUDIODRIVER=no-such-driver"},
             {{"SDL_VIDEODRIVER=nonexistent"}, {"DISPLAY=", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER="},
              {"DISPLAY=:97", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER="}},
             "e2e_", 3000, false}
    : Target{{setting("WINE", "/usr/bin/wine"), setting("SKARVO_EXE")}, {}, {},
             {"PULSE_SERVER=unix:/nonexistent/skarvo-test/native"}, {{"DISPLAY", "WAYLAND_DISPLAY"}},
             "windows_game_", 30000, true};
// clang-format on
const std::string ARTIFACTS = setting("SKARVO_ARTIFACTS", SKARVO_ARTIFACTS);
constexpr int START_MS = 120000;  // a first start in a new Wine prefix is the slowest

// The rows where the figure stands at the start, on the top row of its box; the
// strips no target ever reaches (the vulture flies from y 110 down, the boot reaches
// y 404 at most); the figure's corner, which targets need seconds to reach.
constexpr Region FIGURE_BAND = {0, 228, 470, 282}, SKY = {0, 0, 640, 100}, GROUND = {0, 412, 640, 480},
                 FIGURE_CORNER = {0, 220, 90, 290};

// A private X server for one case, stopped with it.
struct Server {
    e2e::XServer x;
    bool up = e2e::startXvfb(&x);
    ~Server() { e2e::stopXvfb(&x); }
};

struct Game {
    e2e::Child child;
    Window window = 0;
    std::string log;
};

// Starts the game and waits for its window to show a drawn frame; focuses it. The
// window is looked up again while waiting: SDL and Wine may replace their first one.
Game launch(Server& s, const std::string& tag, std::vector<std::string> env) {
    Game g;
    g.log = ARTIFACTS + "/" + T.prefix + tag + ".log";
    env.insert(env.end(), T.env.begin(), T.env.end());
    env.push_back("DISPLAY=" + s.x.name);
    g.child = e2e::spawn(T.command, env, g.log);
    while (e2e::nowMs() < g.child.startMs + START_MS && !g.window && !e2e::waitFor(g.child, 0, nullptr)) {
        Window w = e2e::waitForWindow(s.x, "Skarvo", 200);
        if (w && e2e::litFraction(e2e::grab(s.x, w)) > 0.2) g.window = w;
        e2e::sleepMs(20);
    }
    if (g.window) e2e::xdotool(s.x, {"windowfocus", "--sync", std::to_string(g.window)});
    return g;
}

std::string describe(int status) {
    if (WIFEXITED(status)) return "exit code " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
    return "wait status " + std::to_string(status);
}

// Ends the game with `key` (the window manager's close request when empty) and expects
// exit code 0 at once.
void expectEndsWithZero(Server& s, Game& g, const std::string& key) {
    const std::string how = key.empty() ? "the close request" : key;
    if (key.empty())
        e2e::sendCloseRequest(s.x, g.window);
    else
        EXPECT_TRUE(e2e::xdotool(s.x, {"key", key}));
    int status = -1;
    const bool ended = e2e::waitFor(g.child, T.exitMs, &status);
    e2e::kill(g.child);
    ASSERT_TRUE(ended) << "still running " << T.exitMs << " ms after " << how << "; log " << g.log;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << describe(status) << " after " << how << "; log " << g.log;
}

// Polls pictures (limitMs at most) until `done` accepts what differs from the backdrop in
// `r`; keeps the last one as an artifact (and in `last`).
template <typename Pred>
Box pollBox(Server& s, Window w, Region r, const std::string& artifact, int limitMs, Pred done, Image* last = nullptr) {
    static const Image backdrop = e2e::backdropReference();
    const int64_t deadline = e2e::nowMs() + limitMs;
    Image shot, view;
    Box box;
    for (;; e2e::sleepMs(20)) {
        shot = e2e::grab(s.x, w);
        view = e2e::normalise(e2e::toBackBuffer(shot));
        box = e2e::differingBox(view, backdrop, r);
        if (done(box) || e2e::nowMs() >= deadline) break;
    }
    e2e::savePng(shot, ARTIFACTS + "/" + T.prefix + artifact);
    if (last) *last = std::move(view);
    return box;
}

// The figure alone, with no target crossing its band: about its own size.
bool looksLikeTheFigure(const Box& b) { return b.count > 300 && b.width() <= 100; }

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

// The window's place and size as asked: 640 × 480 outside, at the top left. On Linux
// a window manager's frame shows that; Wine, without one, draws no frame and the X
// window is its client area, whose borders must fit that outer rectangle (equal at the
// sides and bottom, the caption making the top one larger). F11 fills the 1024 × 768
// screen (4:3: the sand reaches both its edges, far beyond the window) and goes back.
TEST(Window, PlaceSizeAndFullscreenAndBack) {
    Server s;
    ASSERT_TRUE(s.up) << "Xvfb could not be started";
    e2e::Child wm;
    if (!T.wine) wm = e2e::spawn({"/usr/bin/openbox"}, {"DISPLAY=" + s.x.name}, ARTIFACTS + "/e2e_openbox.log");
    e2e::sleepMs(500);
    Game g = launch(s, "window", T.sound);
    ASSERT_NE(g.window, 0u) << "no window captioned \"Skarvo\" showing a frame; log " << g.log;
    auto expectGeometry = [&](bool (*ok)(const e2e::Geometry&), const char* what) {
        e2e::Geometry f = e2e::frameGeometry(s.x, g.window);
        for (const int64_t deadline = e2e::nowMs() + 10000; !ok(f) && e2e::nowMs() < deadline; e2e::sleepMs(50))
            f = e2e::frameGeometry(s.x, g.window);
        EXPECT_TRUE(ok(f)) << what << ": " << f.width << "x" << f.height << " at (" << f.x << ", " << f.y << ")";
    };
    auto windowed = [](const e2e::Geometry& f) {
        const int side = f.x, top = f.y, right = 640 - f.x - f.width, bottom = 480 - f.y - f.height;
        return T.wine ? side >= 1 && side <= 16 && right == side && bottom == side && top > side + 10 && top < 60
                      : side == 0 && top == 0 && right == 0 && bottom == 0;
    };
    expectGeometry(windowed, "windowed");
    ASSERT_TRUE(e2e::xdotool(s.x, {"key", "F11"}));
    expectGeometry([](const e2e::Geometry& f) { return f.x == 0 && f.y == 0 && f.width == 1024 && f.height == 768; },
                   "fullscreen");
    e2e::sleepMs(500);  // a few frames at the new size
    const Image full = e2e::grab(s.x, DefaultRootWindow(s.x.display));
    e2e::savePng(full, ARTIFACTS + "/" + T.prefix + "fullscreen.png");
    ASSERT_EQ(full.width, 1024);
    for (int px : {40, 985}) EXPECT_GT(full.at(px, 650)[0] + full.at(px, 650)[1] + full.at(px, 650)[2], 60) << px;
    ASSERT_TRUE(e2e::xdotool(s.x, {"key", "F11"}));
    expectGeometry(windowed, "back from fullscreen");
    expectEndsWithZero(s, g, "Escape");
    e2e::kill(wm);
}

// Without a sound device the game plays silently. Its first picture: the backdrop where
// no target reaches, and the figure at the left of its box; then holding Right walks it
// right and Space throws an object beside it. Targets cross the figure's rows now and
// then: a picture with one in the way is not judged, the next one is.
TEST(Play, BackdropFigureWalkAndThrowWithoutSoundDevice) {
    Server s;
    ASSERT_TRUE(s.up) << "Xvfb could not be started";
    Game g = launch(s, "play", T.noSound);
    ASSERT_NE(g.window, 0u) << "no window captioned \"Skarvo\" showing a frame; log " << g.log;
    Image start;
    const Box figure = pollBox(s, g.window, FIGURE_BAND, "start.png", 30000, looksLikeTheFigure, &start);
    ASSERT_TRUE(looksLikeTheFigure(figure)) << "no figure on the top row of its box";
    EXPECT_LE(figure.minX, 16) << "the figure does not start at the left of its box";
    const Image backdrop = e2e::backdropReference();
    EXPECT_GT(e2e::matchingFraction(start, backdrop), 0.85) << "no desert backdrop";
    for (const Region& r : {SKY, GROUND}) {
        const int pixels = (r.x1 - r.x0) * (r.y1 - r.y0);
        EXPECT_LT(e2e::differingBox(start, backdrop, r).count, pixels / 100) << "strip from y " << r.y0;
        double sum = 0;
        for (int y = r.y0; y < r.y1; ++y)
            for (int x = r.x0; x < r.x1; ++x)
                for (int c = 0; c < 3; ++c) sum += std::abs(start.at(x, y)[c] - backdrop.at(x, y)[c]);
        EXPECT_LT(sum / (3.0 * pixels), 8.0) << "mean channel difference, strip from y " << r.y0;
    }
    // Where the Linux game draws it (1222 pixels centred at (29.3, 256.1)); it steps
    // between two pictures while it stands.
    const Box corner = e2e::differingBox(start, backdrop, FIGURE_CORNER);
    EXPECT_NEAR(corner.count, 1222, 500);
    EXPECT_NEAR(corner.centreX, 29.3, 4);
    EXPECT_NEAR(corner.centreY, 256.1, 4);

    ASSERT_TRUE(e2e::xdotool(s.x, {"keydown", "Right"}));
    const Box walked = pollBox(s, g.window, FIGURE_BAND, "walked.png", 30000,
                               [&](const Box& b) { return looksLikeTheFigure(b) && b.centreX > figure.centreX + 60; });
    ASSERT_TRUE(e2e::xdotool(s.x, {"keyup", "Right"}));
    EXPECT_GT(walked.centreX, figure.centreX + 60) << "the figure did not walk right";

    // Wait for the figure to stand still (the key-up may reach the game frames later),
    // then look beside it, where a thrown object flies: small, unlike a target.
    Box still = walked;
    pollBox(s, g.window, FIGURE_BAND, "stopped.png", 30000, [&](const Box& b) {
        const bool same = looksLikeTheFigure(b) && b.minX == still.minX && b.maxX == still.maxX;
        still = b;
        if (!same) e2e::sleepMs(300);  // several frames apart, however slow the frames are
        return same;
    });
    // Every picture of the figure, the throwing ones too, is 64 pixels wide from where it
    // stands: whatever shows further right is no part of it.
    // The band of the figure's own rows, left of where targets come back (x >= 576); a
    // target passing through it is waited out.
    const Region beside = {still.minX + 66, 228, std::min(still.minX + 230, 560), 282};
    auto isThrown = [](const Box& b) { return b.count >= 40 && b.width() <= 40 && b.height() <= 40; };
    Box thrown = pollBox(s, g.window, beside, "before_throw.png", 10000, [](const Box& b) { return b.count < 20; });
    ASSERT_LT(thrown.count, 20) << "the band beside the figure never cleared before Space";
    for (int attempt = 0; attempt < 10 && !isThrown(thrown); ++attempt) {
        ASSERT_TRUE(e2e::xdotool(s.x, {"key", "space"}));
        thrown = pollBox(s, g.window, beside, "throw.png", 3000, isThrown);
    }
    EXPECT_TRUE(isThrown(thrown)) << "no thrown object beside the figure; last seen " << thrown.count << " pixels, "
                                  << thrown.width() << "x" << thrown.height();
    expectEndsWithZero(s, g, "Escape");
}

// The close request a window manager sends for its close button or key; the cursor
// hidden over the game meanwhile.
TEST(Exit, CursorHiddenAndCloseRequestEndsWithZero) {
    Server s;
    ASSERT_TRUE(s.up) << "Xvfb could not be started";
    Game g = launch(s, "close", T.sound);
    ASSERT_NE(g.window, 0u) << "no window captioned \"Skarvo\" showing a frame; log " << g.log;
    // Over the bare screen the server's own cursor must show: the probe sees cursors.
    bool known = false;
    const bool outsideInvisible = e2e::cursorInvisibleAt(s.x, 900, 700, &known);
    if (known) {
        EXPECT_FALSE(outsideInvisible) << "the probe sees no cursor even over the bare screen";
        EXPECT_TRUE(e2e::cursorInvisibleAt(s.x, 320, 240, &known)) << "the cursor shows over the game window";
    }
    expectEndsWithZero(s, g, "");
}

// Whether a Wine desktop process (explorer.exe) of our prefix runs without a display.
bool displaylessDesktopRunning() {
    const std::string prefix = "\nWINEPREFIX=" + setting("WINEPREFIX") + "\n";
    bool found = false;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string dir = entry.path().string(), name = entry.path().filename().string();
        if (!std::isdigit(static_cast<unsigned char>(name[0])) ||
            readText(dir + "/cmdline").find("explorer.exe") == std::string::npos)
            continue;
        std::string environ = "\n" + readText(dir + "/environ");
        std::replace(environ.begin(), environ.end(), '\0', '\n');
        found |= environ.find(prefix) != std::string::npos && environ.find("\nDISPLAY=") == std::string::npos;
    }
    return found;
}

// Without a display the game does not start unseen (on a blind fallback driver): one
// line from the game, exit 1. Wine's own complaints may come before it.
TEST(Exit, NoDisplayIsOneLineOnStderrAndExitCodeOne) {
    const std::string log = ARTIFACTS + "/" + T.prefix + "nodisplay.log";
    for (std::vector<std::string> env : T.noDisplay) {
        env.insert(env.end(), T.sound.begin(), T.sound.end());
        e2e::Child game = e2e::spawn(T.command, env, log);
        int status = 0;
        const bool ended = e2e::waitFor(game, START_MS, &status);
        e2e::kill(game);
        EXPECT_TRUE(ended && WIFEXITED(status) && WEXITSTATUS(status) == 1) << env[0] << ": " << describe(status);
        std::istringstream lines(readText(log));
        std::string failures;
        for (std::string line; std::getline(lines, line);) failures += line.rfind("skarvo:", 0) == 0 ? line + "\n" : "";
        EXPECT_EQ(failures.rfind("skarvo: start-up failed: creating the window", 0), 0u) << env[0] << ": " << failures;
        EXPECT_EQ(failures.find('\n'), failures.size() - 1) << "one line";
        // Said as such where the cause is known: Wine may fail the window with a code of its own.
        const bool unknown = T.wine || env[0] == "SDL_VIDEODRIVER=nonexistent";
        EXPECT_TRUE(unknown || failures.find("(no display: ") != std::string::npos) << failures;
    }
    // The desktop Wine started for the game without a display outlives it by a moment; a
    // game started meanwhile joins it and finds no display either. Let it end first.
    const int64_t deadline = e2e::nowMs() + 60000;
    while (T.wine && displaylessDesktopRunning() && e2e::nowMs() < deadline) e2e::sleepMs(100);
    EXPECT_FALSE(T.wine && displaylessDesktopRunning()) << "Wine's desktop without a display is still running";
}

// SDL's disk driver records what the game plays: a silent first turn of the ring, then
// the song sample for sample as mxm renders it. The song may start one streaming visit
// late: a first visit that comes before startSong (a loaded machine can hold the game's
// thread that long) writes silence for what the device has played. (On Windows
// DirectSound's recording is scripts/test-windows-sound.sh's.)
TEST(Sound, DiskRecordingIsSilentRingThenTheSong) {
    if (T.wine || std::string(MXM_BINARY).empty()) {
        GTEST_SKIP() << "the Linux game and mxm only";
    }
    constexpr size_t RING_BYTES = 65536;
    Server s;
    ASSERT_TRUE(s.up) << "Xvfb could not be started";
    const std::string recording = ARTIFACTS + "/e2e_disk_audio.raw";
    std::remove(recording.c_str());
    Game g = launch(s, "disk_audio", {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + recording});
    ASSERT_NE(g.window, 0u) << "no window captioned \"Skarvo\" showing a frame; log " << g.log;
    // Record about three seconds of song after the silent first turn.
    const int64_t deadline = e2e::nowMs() + 20000;
    while (e2e::nowMs() < deadline && readText(recording).size() < RING_BYTES + 3 * 176400) e2e::sleepMs(100);
    expectEndsWithZero(s, g, "Escape");

    const std::string got = readText(recording);
    ASSERT_GT(got.size(), RING_BYTES + 44100 * 4) << "the disk driver recorded too little";
    ASSERT_EQ(std::count(got.begin(), got.begin() + RING_BYTES, 0), long(RING_BYTES)) << "sound in the first ring";
    const size_t start = (std::find_if(got.begin() + RING_BYTES, got.end(), [](char c) { return c != 0; }) -
                          got.begin()) & ~size_t(3);
    ASSERT_LE(start - RING_BYTES, size_t(44100 / 4 * 4)) << "the song started over a quarter second late";
    const std::string rendered = ARTIFACTS + "/e2e_mxm_render.raw";
    const size_t songBytes = got.size() - start;
    e2e::Child r = e2e::spawn(
        {MXM_BINARY, "render", "--embedded", "--raw", "--frames", std::to_string(songBytes / 4), "-o", rendered}, {},
        ARTIFACTS + "/e2e_mxm_render.log");
    int status = -1;
    ASSERT_TRUE(e2e::waitFor(r, 120000, &status) && WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const std::string want = readText(rendered);
    ASSERT_GE(want.size(), songBytes);
    ASSERT_NE(std::count(want.begin(), want.begin() + songBytes, 0), long(songBytes)) << "the rendered song is silent";

    // Sample for sample from the start of the song. The comparison may stop early only
    // at an underrun, which shows as the ring replaying what it held one turn before.
    const size_t matched =
        std::mismatch(want.begin(), want.begin() + songBytes, got.begin() + start).first - want.begin();
    if (matched < songBytes) {
        const size_t at = start + (matched & ~size_t(3)), span = std::min<size_t>(256, got.size() - at);
        EXPECT_TRUE(std::equal(got.begin() + at, got.begin() + at + span, got.begin() + at - RING_BYTES))
            << "recording differs from the render at song byte " << matched << " and is no replay of a ring turn";
        EXPECT_GE(matched, size_t(44100 * 4)) << "underrun within the first second of the song";
    }
}
