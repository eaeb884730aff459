// End-to-end tests of the Windows game: the real skarvo.exe under Wine, each case in a
// private Xvfb, driven with xdotool and judged by screenshots (beside the Linux game's),
// exit codes and standard error.
//
// Run by scripts/test-windows.sh, one case at a time, never by the Linux ctest (it needs
// Wine and a prepared prefix, whose server the script keeps running). It reads:
//   WINEPREFIX          the prefix, made ready by `wineboot`
//   SKARVO_EXE          the Windows game; every case skips when it is not there
//   SKARVO_LINUX_GAME   the Linux game, for the screenshot comparison
//   SKARVO_ARTIFACTS    where screenshots, the comparison summary and logs are kept
//   WINE                the wine command (default /usr/bin/wine)
//
// Wine takes seconds to start a program: every step polls for what it waits for, with
// generous limits, and no assertion depends on how long anything took.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "process.h"
#include "screen_check.h"
#include "xserver.h"

namespace {

using e2e::Image;
using e2e::Region;

constexpr int BACK_BUFFER_WIDTH = 640, BACK_BUFFER_HEIGHT = 480;
constexpr int WINDOW_TIMEOUT_MS = 120000;  // a first start in a new prefix is the slowest

// The rows where the figure stands at the start, on the top row of its box (back-buffer
// pixels); the screen's top and bottom strips, which no target ever reaches (the vulture
// flies from y 110 down, the boot reaches y 404 at most); and the figure's corner, which
// the targets need more than two seconds to reach from where they start.
constexpr Region FIGURE_BAND = {0, 228, 470, 282};
constexpr Region SKY = {0, 0, 640, 100};
constexpr Region GROUND = {0, 412, 640, 480};
constexpr Region FIGURE_CORNER = {0, 220, 90, 290};

std::string setting(const char* name, const char* fallback = "") {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

const std::string WINE = setting("WINE", "/usr/bin/wine");
const std::string EXE = setting("SKARVO_EXE");
const std::string ARTIFACTS = setting("SKARVO_ARTIFACTS", ".");

bool exists(const std::string& path) {
    struct stat s {};
    return !path.empty() && stat(path.c_str(), &s) == 0;
}

// The file's bytes, as far as they can be read: a /proc file of a process that ends
// meanwhile gives what was read before.
std::string readText(const std::string& path) {
    std::string text;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    char buffer[4096];
    for (ssize_t n; fd >= 0 && (n = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(n));
    if (fd >= 0) close(fd);
    return text;
}

// A private X server for one case, stopped with it.
struct Screen {
    e2e::XServer x;
    bool up = e2e::startXvfb(&x);
    ~Screen() { e2e::stopXvfb(&x); }
};

struct Game {
    e2e::Child child;
    Window window = 0;
    std::string log;
};

// What the window shows, brought back to the back buffer's 640 × 480. Both builds
// letterbox: the back buffer fills the largest 4:3 rectangle centred in the client area
// (black bars beside it); that rectangle is scaled bilinearly. The backdrop has black
// edges and a black sky of its own, so the rectangle is worked out, not looked for.
Image toBackBuffer(const Image& shot) {
    int w = shot.width, h = shot.height;
    if (w * 3 > h * 4)
        w = (h * 4 + 1) / 3;
    else
        h = (w * 3 + 2) / 4;
    const int x0 = (shot.width - w) / 2, y0 = (shot.height - h) / 2, x1 = x0 + w, y1 = y0 + h;
    if (w < 2 || h < 2) return {};
    Image out{BACK_BUFFER_WIDTH, BACK_BUFFER_HEIGHT, std::vector<uint8_t>(BACK_BUFFER_WIDTH * BACK_BUFFER_HEIGHT * 3)};
    const double sx = double(x1 - x0) / BACK_BUFFER_WIDTH, sy = double(y1 - y0) / BACK_BUFFER_HEIGHT;
    for (int y = 0; y < BACK_BUFFER_HEIGHT; ++y) {
        const double fy = std::clamp(y0 + (y + 0.5) * sy - 0.5, double(y0), double(y1 - 1));
        const int iy = std::min(int(fy), y1 - 2);
        const double wy = fy - iy;
        for (int x = 0; x < BACK_BUFFER_WIDTH; ++x) {
            const double fx = std::clamp(x0 + (x + 0.5) * sx - 0.5, double(x0), double(x1 - 1));
            const int ix = std::min(int(fx), x1 - 2);
            const double wx = fx - ix;
            for (int c = 0; c < 3; ++c) {
                const double top = shot.at(ix, iy)[c] * (1 - wx) + shot.at(ix + 1, iy)[c] * wx;
                const double bottom = shot.at(ix, iy + 1)[c] * (1 - wx) + shot.at(ix + 1, iy + 1)[c] * wx;
                out.rgb[(size_t(y) * BACK_BUFFER_WIDTH + x) * 3 + c] =
                    uint8_t(std::lround(top * (1 - wy) + bottom * wy));
            }
        }
    }
    return out;
}

// Starts a game (argv) on the screen and waits for its window to show a drawn frame;
// focuses it. The window is looked up again while waiting: Wine maps it before the
// first frame, and may replace it.
Game launch(Screen& s, const std::vector<std::string>& argv, const std::string& tag,
            std::vector<std::string> env = {}) {
    Game g;
    g.log = ARTIFACTS + "/windows_game_" + tag + ".log";
    env.push_back("DISPLAY=" + s.x.name);
    g.child = e2e::spawn(argv, env, g.log);
    const int64_t deadline = g.child.startMs + WINDOW_TIMEOUT_MS;
    while (e2e::nowMs() < deadline && !g.window && !e2e::waitFor(g.child, 0, nullptr)) {
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
// exit code 0 soon after.
void expectEndsWithZero(Screen& s, Game& g, const std::string& key) {
    const std::string how = key.empty() ? "the close request" : key;
    if (key.empty())
        e2e::sendCloseRequest(s.x, g.window);
    else
        EXPECT_TRUE(e2e::xdotool(s.x, {"key", key}));
    int status = -1;
    const bool ended = e2e::waitFor(g.child, 30000, &status);
    e2e::kill(g.child);
    ASSERT_TRUE(ended) << "still running 30 s after " << how << "; log " << g.log;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << describe(status) << " after " << how << "; log " << g.log;
}

// Whether some pixel of `b` within one pixel of (x, y) matches pixel (x, y) of `a` to
// the tolerance in every channel. The two scalings of the Windows picture (the
// window's down, ours back up) may move an edge by a pixel, never more.
bool matchedNearby(const Image& a, const Image& b, int x, int y) {
    for (int yy = std::max(y - 1, 0); yy <= std::min(y + 1, b.height - 1); ++yy)
        for (int xx = std::max(x - 1, 0); xx <= std::min(x + 1, b.width - 1); ++xx) {
            bool matched = true;
            for (int c = 0; c < 3; ++c)
                matched &= std::abs(int(a.at(x, y)[c]) - int(b.at(xx, yy)[c])) <= e2e::DIFF_TOLERANCE;
            if (matched) return true;
        }
    return false;
}

// The share of pixels of `a` in `r` that `b` does not match nearby.
double unmatchedShare(const Image& a, const Image& b, Region r) {
    int unmatched = 0;
    for (int y = r.y0; y < r.y1; ++y)
        for (int x = r.x0; x < r.x1; ++x) unmatched += !matchedNearby(a, b, x, y);
    return unmatched / double((r.x1 - r.x0) * (r.y1 - r.y0));
}

// Where something other than the backdrop shows in a region of a blurred picture.
struct Blob {
    int count = 0;
    int minX = 0, maxX = -1, minY = 0, maxY = -1;
    double centreX = 0, centreY = 0;
    int width() const { return maxX - minX + 1; }
    int height() const { return maxY - minY + 1; }
};

Blob blobIn(const Image& picture, const Image& backdrop, Region r) {
    Blob b;
    if (picture.width != backdrop.width || picture.height != backdrop.height) return b;
    double sumX = 0, sumY = 0;
    for (int y = std::max(r.y0, 0); y < std::min(r.y1, picture.height); ++y)
        for (int x = std::max(r.x0, 0); x < std::min(r.x1, picture.width); ++x) {
            if (matchedNearby(picture, backdrop, x, y)) continue;
            b.minX = b.count ? std::min(b.minX, x) : x;
            b.minY = b.count ? b.minY : y;
            b.maxX = std::max(b.maxX, x);
            b.maxY = y;
            sumX += x, sumY += y, ++b.count;
        }
    if (b.count) b.centreX = sumX / b.count, b.centreY = sumY / b.count;
    return b;
}

// The figure alone, with no target crossing its band: about its own size.
bool looksLikeTheFigure(const Blob& b) { return b.count > 300 && b.width() <= 100; }

// Polls pictures (limitMs at most) until `done` accepts what differs from the backdrop in
// `r`; keeps the last picture as an artifact.
template <typename Pred>
Blob pollBlob(Screen& s, Window w, Region r, const std::string& artifact, int limitMs, Pred done) {
    const Image backdrop = e2e::backdropReference();
    const int64_t deadline = e2e::nowMs() + limitMs;
    Image shot;
    Blob blob;
    for (;; e2e::sleepMs(20)) {
        shot = e2e::grab(s.x, w);
        blob = blobIn(e2e::normalise(toBackBuffer(shot)), backdrop, r);
        if (done(blob) || e2e::nowMs() >= deadline) break;
    }
    e2e::savePng(shot, ARTIFACTS + "/" + artifact);
    return blob;
}

// Why the cases cannot run here ("" when they can).
std::string missing() {
    if (!exists(EXE)) return "no skarvo.exe at SKARVO_EXE='" + EXE + "'";
    if (!exists(setting("WINEPREFIX"))) return "no WINEPREFIX (scripts/test-windows.sh sets one up)";
    return "";
}

// [SECTION] what the running game shows, each a run of the table below

// With no window manager Wine draws no frame: the X window is the client area, placed
// where Windows puts it inside the 640 × 480 outer rectangle at (0, 0) that the
// backend's test reads back with GetWindowRect. Side and bottom borders are equal; the
// caption makes the top one larger.
void captionedAtTheTopLeftWithTheOuterSizeAsked(Screen& s, Game& g) {
    const e2e::Geometry client = e2e::frameGeometry(s.x, g.window);
    const int left = client.x, top = client.y;
    const int right = 640 - (client.x + client.width), bottom = 480 - (client.y + client.height);
    std::printf("client area %dx%d at (%d, %d); borders left %d top %d right %d bottom %d\n", client.width,
                client.height, client.x, client.y, left, top, right, bottom);
    EXPECT_GE(left, 1);
    EXPECT_LE(left, 16);
    EXPECT_EQ(right, left);
    EXPECT_EQ(bottom, left);
    EXPECT_GT(top, left + 10) << "no room for a caption";
    EXPECT_LT(top, 60);
}

// Holding Right walks the figure right; Space throws an object that flies beside it.
// Targets cross the figure's rows now and then: a picture with one in the way is not
// judged, the next one is.
void holdingRightWalksAndSpaceThrows(Screen& s, Game& g) {
    const Blob figure = pollBlob(s, g.window, FIGURE_BAND, "windows_game_start.png", 30000, looksLikeTheFigure);
    ASSERT_TRUE(looksLikeTheFigure(figure)) << "no figure on the top row of its box";
    EXPECT_LE(figure.minX, 16) << "the figure does not start at the left of its box";

    ASSERT_TRUE(e2e::xdotool(s.x, {"keydown", "Right"}));
    const Blob walked = pollBlob(s, g.window, FIGURE_BAND, "windows_game_walked.png", 30000, [&](const Blob& b) {
        return looksLikeTheFigure(b) && b.centreX > figure.centreX + 60;
    });
    ASSERT_TRUE(e2e::xdotool(s.x, {"keyup", "Right"}));
    EXPECT_GT(walked.centreX, figure.centreX + 60) << "the figure did not walk right";

    // Wait for the figure to stand still (the key-up may reach the game frames later),
    // then look beside it, where a thrown object flies: small, unlike a target.
    Blob still = walked;
    pollBlob(s, g.window, FIGURE_BAND, "windows_game_stopped.png", 30000, [&](const Blob& b) {
        const bool same = looksLikeTheFigure(b) && b.minX == still.minX && b.maxX == still.maxX;
        still = b;
        if (!same) e2e::sleepMs(300);  // several frames apart, however slow the frames are
        return same;
    });
    // Every picture of the figure, the throwing ones too, is 64 pixels wide from where it
    // stands: whatever shows further right is no part of it.
    const Region beside = {still.minX + 66, 200, std::min(still.minX + 230, 640), 290};
    auto isThrown = [](const Blob& b) { return b.count >= 40 && b.width() <= 40 && b.height() <= 40; };
    Blob thrown;
    for (int attempt = 0; attempt < 10 && !isThrown(thrown); ++attempt) {
        ASSERT_TRUE(e2e::xdotool(s.x, {"key", "space"}));
        thrown = pollBlob(s, g.window, beside, "windows_game_throw.png", 3000, isThrown);
    }
    EXPECT_TRUE(isThrown(thrown)) << "no thrown object beside the figure; last seen " << thrown.count << " pixels, "
                                  << thrown.width() << "x" << thrown.height();
}

// [SECTION] the runs: start the game in its own X server, look, end it, expect exit code 0

struct RunCase {
    const char* name;
    void (*check)(Screen&, Game&);  // null: nothing to look at
    const char* endKey;             // "": the window manager's close request
    std::vector<std::string> env;
};

const RunCase RUNS[] = {
    {"window", captionedAtTheTopLeftWithTheOuterSizeAsked, "Escape", {}},
    // PulseAudio pointed at nothing: no sound device, and the game plays silently.
    {"input_without_sound",
     holdingRightWalksAndSpaceThrows,
     "Escape",
     {"PULSE_SERVER=unix:/nonexistent/skarvo-test/native"}},
    {"close", nullptr, "", {}},
};

void PrintTo(const RunCase& run, std::ostream* os) { *os << run.name; }

class GameRun : public ::testing::TestWithParam<RunCase> {};

TEST_P(GameRun, EndsWithZero) {
    if (const std::string why = missing(); !why.empty()) GTEST_SKIP() << why;
    const RunCase& run = GetParam();
    Screen s;
    ASSERT_TRUE(s.up) << "Xvfb could not be started";
    Game g = launch(s, {WINE, EXE}, run.name, run.env);
    ASSERT_NE(g.window, 0u) << "no window captioned \"Skarvo\" showing a frame; log " << g.log;
    if (run.check) run.check(s, g);
    expectEndsWithZero(s, g, run.endKey);
}

INSTANTIATE_TEST_SUITE_P(Wine, GameRun, ::testing::ValuesIn(RUNS),
                         [](const ::testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

// What both builds show after the same short wait from their first drawn frame, region by
// region: the strips no target reaches, pixel by pixel, and the figure in its corner by
// its place and size (it steps between two pictures while it stands, on each build's
// own clock). Both pictures and a summary go to the artifacts.
TEST(Screen, BackdropAndFigureWhereTheLinuxGameShowsThem) {
    if (const std::string why = missing(); !why.empty()) GTEST_SKIP() << why;
    const std::string linuxGame = setting("SKARVO_LINUX_GAME");
    if (!exists(linuxGame)) GTEST_SKIP() << "no Linux game at SKARVO_LINUX_GAME='" << linuxGame << "'";
    auto picture = [](const std::vector<std::string>& argv, const std::string& tag,
                      const std::vector<std::string>& env) {
        Screen s;
        EXPECT_TRUE(s.up);
        if (!s.up) return Image{};
        Game g = launch(s, argv, tag, env);
        EXPECT_NE(g.window, 0u) << "no window showing a frame; log " << g.log;
        if (!g.window) return Image{};
        e2e::sleepMs(300);
        Image shot = e2e::grab(s.x, g.window);
        e2e::savePng(shot, ARTIFACTS + "/windows_compare_" + tag + ".png");
        expectEndsWithZero(s, g, "Escape");
        return toBackBuffer(shot);
    };
    const Image onLinux = picture({linuxGame}, "linux", {"SDL_AUDIODRIVER=dummy", "SDL_VIDEODRIVER=x11"});
    const Image onWindows = picture({WINE, EXE}, "windows", {});
    ASSERT_EQ(onLinux.width, BACK_BUFFER_WIDTH);
    ASSERT_EQ(onWindows.width, BACK_BUFFER_WIDTH);
    e2e::savePng(onWindows, ARTIFACTS + "/windows_compare_windows_scaled.png");

    const Image a = e2e::normalise(onLinux), b = e2e::normalise(onWindows), backdrop = e2e::backdropReference();
    std::ostringstream summary;
    for (const auto& [name, r] : {std::pair{"sky", SKY}, std::pair{"ground", GROUND}}) {
        const int pixels = (r.x1 - r.x0) * (r.y1 - r.y0);
        const double unmatched = std::max(unmatchedShare(a, b, r), unmatchedShare(b, a, r));
        double sum = 0;
        for (int y = r.y0; y < r.y1; ++y)
            for (int x = r.x0; x < r.x1; ++x)
                for (int c = 0; c < 3; ++c) sum += std::abs(int(a.at(x, y)[c]) - int(b.at(x, y)[c]));
        const double mean = sum / (3.0 * pixels);
        summary << name << ": " << pixels << " pixels, mean channel difference " << mean << ", " << unmatched * 100
                << " % unmatched within a pixel by more than " << e2e::DIFF_TOLERANCE << "\n";
        EXPECT_LT(unmatched, 0.01) << name;
        EXPECT_LT(mean, 8.0) << name;
    }
    const Blob linuxFigure = blobIn(a, backdrop, FIGURE_CORNER), windowsFigure = blobIn(b, backdrop, FIGURE_CORNER);
    summary << "figure (what differs from the backdrop in its corner): Linux " << linuxFigure.count
            << " pixels centred at (" << linuxFigure.centreX << ", " << linuxFigure.centreY << "), Windows "
            << windowsFigure.count << " pixels centred at (" << windowsFigure.centreX << ", " << windowsFigure.centreY
            << ")\n";
    std::ofstream(ARTIFACTS + "/windows_compare_summary.txt") << summary.str();
    std::fputs(summary.str().c_str(), stdout);
    EXPECT_GT(linuxFigure.count, 300) << "no figure in the Linux picture";
    EXPECT_NEAR(windowsFigure.count, linuxFigure.count, linuxFigure.count * 0.4);
    EXPECT_NEAR(windowsFigure.centreX, linuxFigure.centreX, 4);
    EXPECT_NEAR(windowsFigure.centreY, linuxFigure.centreY, 4);
}

// Whether a Wine desktop process (explorer.exe) of our prefix runs without DISPLAY in
// its environment.
bool displaylessDesktopRunning() {
    const std::string prefix = "WINEPREFIX=" + setting("WINEPREFIX");
    DIR* proc = opendir("/proc");
    bool found = false;
    while (dirent* entry = proc ? readdir(proc) : nullptr) {
        const std::string dir = std::string("/proc/") + entry->d_name;
        if (!std::isdigit(static_cast<unsigned char>(entry->d_name[0])) ||
            readText(dir + "/cmdline").find("explorer.exe") == std::string::npos)
            continue;
        std::string environ = readText(dir + "/environ");
        std::replace(environ.begin(), environ.end(), '\0', '\n');
        environ = "\n" + environ;
        found |=
            environ.find("\n" + prefix + "\n") != std::string::npos && environ.find("\nDISPLAY=") == std::string::npos;
    }
    if (proc) closedir(proc);
    return found;
}

// No X server: Wine cannot make the window, and the game says so once, in a line of its
// own, and fails. Wine's own complaints may come before it.
TEST(Exit, NoDisplayFailsWithOneMessage) {
    if (const std::string why = missing(); !why.empty()) GTEST_SKIP() << why;
    const std::string log = ARTIFACTS + "/windows_game_no_display.log";
    e2e::Child c = e2e::spawn({"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", WINE, EXE}, {}, log);
    int status = -1;
    const bool ended = e2e::waitFor(c, WINDOW_TIMEOUT_MS, &status);
    e2e::kill(c);
    ASSERT_TRUE(ended) << "still running without a display; log " << log;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << describe(status);
    std::istringstream lines(readText(log));
    int ours = 0;
    for (std::string line; std::getline(lines, line);) ours += line.rfind("skarvo:", 0) == 0;
    EXPECT_EQ(ours, 1) << "lines starting \"skarvo:\" in " << log << ":\n" << readText(log);
    // The desktop Wine started for the game without a display outlives it by a moment; a
    // game started meanwhile joins it and finds no display either. Let it end first.
    const int64_t deadline = e2e::nowMs() + 60000;
    while (displaylessDesktopRunning() && e2e::nowMs() < deadline) e2e::sleepMs(100);
    EXPECT_FALSE(displaylessDesktopRunning()) << "Wine's desktop without a display is still running";
}

}  // namespace
