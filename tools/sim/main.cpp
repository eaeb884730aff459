// skarvo-sim — runs the game's own start-up and frames on the headless backend from a
// replay script and prints every frame's state as one JSON line.
//
//   skarvo-sim [--png-every K DIR] SCRIPT     (SCRIPT "-" reads standard input)
//
// Exit codes: 0 at the end of the script or when the game exits (Escape, close);
// 1 when output could not be written; 2 for a bad command line or a script that
// cannot be read or has a malformed line.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/headless/headless.h"
#include "shell/entry.h"
#include "tools/common/input_file.h"
#include "tools/common/message.h"
#include "tools/common/output_file.h"
#include "tools/sim/frame_json.h"
#include "tools/sim/replay_script.h"

namespace {

const char USAGE[] =
    "usage: skarvo-sim [--png-every K DIR] SCRIPT\n"
    "\n"
    "Runs the game headless, one frame per script line, and prints each frame's state\n"
    "as a JSON line (frame, clockMs, frameMs, dirX, dirY, fireHeld, shotCounter,\n"
    "progress, player, targets, shots, draws).\n"
    "\n"
    "Script lines (SCRIPT \"-\" reads standard input):\n"
    "  start NOW        first line only: the clock read at the end of start-up (default 0)\n"
    "  NOW              one frame reading the clock NOW (unsigned 32-bit milliseconds)\n"
    "  NOW down KEY     ... taking a key-down; KEY: LEFT RIGHT UP DOWN SPACE ESCAPE\n"
    "  NOW up KEY       ... taking a key-up\n"
    "  NOW close        ... taking the window's close message\n"
    "  # text           a comment\n"
    "\n"
    "When the game exits (Escape, close) a last line {\"frame\": N, \"exit\": 0} is printed.\n"
    "A script is at most 64 MiB, a line at most 1024 characters.\n"
    "\n"
    "Options:\n"
    "  --png-every K DIR   also save every K-th frame (0, K, 2K, ...) as DIR/frame-NNNNNN.png\n"
    "  --help              this text\n";

int currentFrame = 0;

[[noreturn]] void fail(const std::string& message, int code = 2) {
    toolio::printMessage(stderr, "skarvo-sim", message);
    std::exit(code);
}

// Lost output (a full disk, /dev/full) ends the run: the frames printed are the result.
void checkStdout() {
    std::string error;
    if (!toolio::stdoutIntact(&error)) {
        toolio::printMessage(stderr, "skarvo-sim", error);
        std::_Exit(1);
    }
}

[[noreturn]] void onGameExit(int code) {
    std::printf("{\"frame\": %d, \"exit\": %d}\n", currentFrame, code);
    checkStdout();
    std::_Exit(code);
}

void savePng(const std::string& dir, size_t frame) {
    char name[64];
    std::snprintf(name, sizeof name, "/frame-%06zu.png", frame);
    toolio::OutputFile out;
    std::string error;
    if (!toolio::openOutput(dir + name, &out, &error)) fail(error, 1);
    if (!platform::headlessWritePng(out.file)) {
        toolio::abandonOutput(&out);
        fail("cannot write " + dir + name, 1);
    }
    if (!toolio::closeOutput(&out, &error)) fail(error, 1);
}

}  // namespace

struct Options {
    std::string scriptPath, pngDir;
    long pngEvery = 0;  // 0: no snapshots
};

// The command line; --help and usage errors end the run here.
Options parseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(USAGE, stdout);
            std::exit(0);
        }
        if (arg == "--png-every") {
            // The headless backend of the Windows and node builds keeps draws but no pixels.
#ifdef _WIN32
            fail("--png-every is not available on Windows");
#elif defined(__EMSCRIPTEN__)
            fail("--png-every is not available in the node build");
#endif
            if (i + 2 >= argc) fail("--png-every needs K and DIR");
            char* end = nullptr;
            o.pngEvery = std::strtol(argv[i + 1], &end, 10);
            if (*argv[i + 1] == '\0' || *end != '\0' || o.pngEvery < 1)
                fail("--png-every: K must be a positive number");
            o.pngDir = argv[i + 2];
            i += 2;
        } else if (!o.scriptPath.empty() || (arg.size() > 1 && arg[0] == '-')) {
            fail("unexpected argument \"" + arg + "\" (see --help)");
        } else {
            o.scriptPath = arg;
        }
    }
    if (o.scriptPath.empty()) {
        std::fputs(USAGE, stderr);
        std::exit(2);
    }
    return o;
}

int main(int argc, char** argv) {
    const Options o = parseOptions(argc, argv);

    std::string text, error;
    if (!toolio::readInput(o.scriptPath, sim::MAX_SCRIPT_BYTES, &text, &error)) fail(error);
    sim::ReplayScript script;
    if (!parseReplay(text, &script, &error))
        fail((o.scriptPath == "-" ? "standard input" : o.scriptPath) + ": " + error);
#ifndef _WIN32
    if (!o.pngDir.empty() && mkdir(o.pngDir.c_str(), 0777) != 0 && errno != EEXIST)
        fail("cannot make " + o.pngDir + ": " + std::strerror(errno));
#endif

    // Start-up runs with the game clock at 0; its last step reads the platform clock.
    platform::headlessSetDrawing(false);
    platform::headlessSetClock(script.startMs);
    skarvo::startUp();
    platform::headlessSetExitHandler(onGameExit);

    for (size_t i = 0; i < script.frames.size(); ++i) {
        const sim::ReplayFrame& frame = script.frames[i];
        currentFrame = static_cast<int>(i);
        bool saved = o.pngEvery > 0 && i % static_cast<size_t>(o.pngEvery) == 0;
        platform::headlessSetDrawing(saved);  // rasterising is most of a frame's time
        platform::headlessSetClock(frame.nowMs);
        if (frame.hasEvent) platform::headlessQueueEvent(frame.event);
        skarvo::runFrame();
        sim::printFrameJson(stdout, currentFrame);
        if (std::ferror(stdout)) checkStdout();
        if (saved) savePng(o.pngDir, i);
    }
    checkStdout();
    return 0;
}
