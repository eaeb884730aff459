// play.cpp — `mxm play`: live playback through the game's own sound path (initPlayer on
// the default output, startSong, the streaming thread), with the order position, row
// and a level meter per channel on one refreshing terminal line.
//
// What is shown lags the rendering by one ring length, as the sound does: the streaming
// thread leaves a snapshot after each render, and the line shows the one being heard.
//
// Keys come from standard input: a terminal (Linux) or console (Windows) a key at a time,
// or whatever a pipe or file holds.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

#include "audio/sound_output.h"
#include "player/player.h"
#include "tools/mxm/commands.h"

// After our headers: <windows.h> defines macros that could meet our names.
#ifdef _WIN32
#include <windows.h>
#else
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace mxmtool {

namespace {

const char* const USAGE =
    "usage: mxm play FILE [--seconds S]\n"
    "\n"
    "Plays the song from order position 0 on the default sound output, the way the game\n"
    "does, showing the order position, the row and a level per channel.\n"
    "Stop with q or Ctrl-C.\n"
    "  --seconds S   stop by itself after S seconds\n"
    "FILE may be --embedded for the game's own module.\n"
    "Exit status 1 when there is no sound output.\n";

constexpr int MAX_SHOWN = mxm::MAX_CHANNELS;
constexpr uint32_t HISTORY = 32;  // snapshots kept, about 0.8 s of iterations
// Snapshots between the one just rendered and the one being heard: one ring length
// (about 371.5 ms) of 25 ms iterations.
constexpr uint32_t HEARD_LAG = 15;

// What the streaming thread leaves after each render; read by the display.
struct Snapshot {
    std::atomic<uint16_t> position;  // order position << 8 | row
    std::atomic<uint8_t> levels[MAX_SHOWN];
};
Snapshot g_history[HISTORY];
std::atomic<uint32_t> g_snapshots{0};
std::atomic<uint32_t> g_channelCount{0};
volatile std::sig_atomic_t g_interrupted = 0;

// On the streaming thread, which owns the player state.
void observe(const audio::SoundOutput& out, uint32_t) {
    const mxm::PlayerState& p = out.player;
    uint32_t n = g_snapshots.load(std::memory_order_relaxed);
    Snapshot& s = g_history[n % HISTORY];
    s.position.store(mxm::getPosition(p), std::memory_order_relaxed);
    for (int c = 0; c < MAX_SHOWN; ++c) {
        const mxm::ChannelRecord& ch = p.channels[c];
        s.levels[c].store(ch.active ? static_cast<uint8_t>(ch.mixVolume > 128 ? 128 : ch.mixVolume) : 0,
                          std::memory_order_relaxed);
    }
    g_channelCount.store(p.header.channelCount, std::memory_order_relaxed);
    g_snapshots.store(n + 1, std::memory_order_release);
}

void onSignal(int) { g_interrupted = 1; }

// Keys one at a time, no echo; Ctrl-C still arrives as a signal. Restored by restore().
// readKey waits up to `ms` for a key: the key, 0 when none came, -1 when there is no
// input to watch any more (then it has not waited).
#ifdef _WIN32
struct Terminal {
    HANDLE in = nullptr;
    DWORD saved = 0;
    bool console = false;
    void enter() {
        in = GetStdHandle(STD_INPUT_HANDLE);
        if (in == nullptr || in == INVALID_HANDLE_VALUE || !GetConsoleMode(in, &saved)) return;
        console = SetConsoleMode(in, saved & ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT)) != 0;
    }
    void restore() {
        if (console) SetConsoleMode(in, saved);
        console = false;
    }
    int readKey(int ms) {
        if (console) {
            if (WaitForSingleObject(in, static_cast<DWORD>(ms)) != WAIT_OBJECT_0) return 0;
            INPUT_RECORD record;
            DWORD got = 0;
            if (!ReadConsoleInputA(in, &record, 1, &got) || got == 0) return 0;
            if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) return 0;
            return static_cast<unsigned char>(record.Event.KeyEvent.uChar.AsciiChar);
        }
        if (in == nullptr || in == INVALID_HANDLE_VALUE) return -1;
        // A pipe is read only when it holds something, so the wait stays `ms`; a writer
        // gone is the end of input. Anything else (a file, the null device) is read at once.
        if (GetFileType(in) == FILE_TYPE_PIPE) {
            DWORD available = 0;
            if (!PeekNamedPipe(in, nullptr, 0, nullptr, &available, nullptr)) return -1;
            if (available == 0) {
                Sleep(static_cast<DWORD>(ms));
                return 0;
            }
        }
        char key = 0;
        DWORD got = 0;
        if (!ReadFile(in, &key, 1, &got, nullptr) || got == 0) return -1;
        return static_cast<unsigned char>(key);
    }
};

bool stdoutIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

// Back to the line's start; the padding covers a longer line shown before (consoles
// without escape sequences have no "clear to the end").
void showLive(const std::string& line) { std::printf("\r%-79s", line.c_str()); }
#else
struct Terminal {
    bool raw = false;
    termios saved{};
    void enter() {
        if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved) != 0) return;
        termios t = saved;
        t.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;
        raw = tcsetattr(STDIN_FILENO, TCSANOW, &t) == 0;
    }
    void restore() {
        if (raw) tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        raw = false;
    }
    int readKey(int ms) {
        pollfd in = {STDIN_FILENO, POLLIN, 0};
        if (poll(&in, 1, ms) <= 0) return 0;
        char key = 0;
        if (read(STDIN_FILENO, &key, 1) <= 0) return -1;  // end of input
        return static_cast<unsigned char>(key);
    }
};

bool stdoutIsTerminal() { return isatty(STDOUT_FILENO) != 0; }

void showLive(const std::string& line) { std::printf("\r%s\033[K", line.c_str()); }
#endif

std::string statusLine(double seconds) {
    uint32_t n = g_snapshots.load(std::memory_order_acquire);
    char head[64];
    int minutes = static_cast<int>(seconds) / 60;
    double rest = seconds - minutes * 60;
    if (n <= HEARD_LAG) {
        std::snprintf(head, sizeof head, "%02d:%04.1f  starting", minutes, rest);
        return head;
    }
    const Snapshot& s = g_history[(n - 1 - HEARD_LAG) % HISTORY];
    uint16_t position = s.position.load(std::memory_order_relaxed);
    std::snprintf(head, sizeof head, "%02d:%04.1f  order %3u  row %3u  ", minutes, rest, position >> 8,
                  position & 0xFF);
    static const char METER[] = " .:-=+*#@";  // 9 steps for levels 0..128
    std::string line = head;
    uint32_t channels = g_channelCount.load(std::memory_order_relaxed);
    if (channels > MAX_SHOWN) channels = MAX_SHOWN;
    line += '[';
    for (uint32_t c = 0; c < channels; ++c) {
        uint8_t level = s.levels[c].load(std::memory_order_relaxed);
        line += METER[(level * 8 + 127) / 128];
    }
    line += ']';
    return line;
}

// Fills `file` and `limitSeconds`; returns EXIT_OK, or the status to exit with.
int parsePlayOptions(int argc, char** argv, const char*& file, double& limitSeconds, bool& helpShown) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(USAGE, stdout);
            helpShown = true;
            return EXIT_OK;
        } else if (a == "--seconds") {
            if (i + 1 >= argc || !parsePositiveReal(argv[++i], limitSeconds)) {
                return usageError("play", "--seconds needs a positive number");
            }
        } else if (int status = takeModuleArg("play", argv[i], file)) {
            return status;
        }
    }
    if (file == nullptr) return usageError("play", "which module? (a file or --embedded)");
    return EXIT_OK;
}

// Shows the status line until q, Ctrl-C, a signal or the time limit; returns the
// seconds played.
double showUntilStopped(double limitSeconds) {
    Terminal terminal;
    terminal.enter();
    bool live = stdoutIsTerminal();
    bool watchKeys = true;
    auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    double lastPrinted = -1;
    while (!g_interrupted) {
        double seconds = elapsed();
        if (limitSeconds > 0 && seconds >= limitSeconds) break;
        if (live) {
            showLive(statusLine(seconds));
            std::fflush(stdout);
        } else if (seconds - lastPrinted >= 1.0) {
            std::printf("%s\n", statusLine(seconds).c_str());
            std::fflush(stdout);
            lastPrinted = seconds;
        }
        int key = watchKeys ? terminal.readKey(50) : 0;
        if (key < 0) {
            watchKeys = false;  // no more input: keep playing until a signal or the time limit
        } else if (key == 'q' || key == 'Q' || key == 3) {
            break;
        }
        if (!watchKeys) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    terminal.restore();
    if (live) std::printf("\n");
    return elapsed();
}

}  // namespace

int runPlay(int argc, char** argv) {
    const char* file = nullptr;
    double limitSeconds = 0;
    bool helpShown = false;
    if (int status = parsePlayOptions(argc, argv, file, limitSeconds, helpShown); status != EXIT_OK || helpShown)
        return status;

    // Validated copy; it must outlive the streaming thread (samples decode in place).
    ModuleImage image;
    if (int status = readModule(file, image)) return status;

    audio::setStreamObserver(observe);
    if (!audio::initPlayer(image.bytes.data())) {
        const char* why = platform::soundRingLastError();
        std::fprintf(stderr, "mxm play: no sound output%s%s\n", *why ? ": " : "", why);
        audio::setStreamObserver(nullptr);
        return EXIT_FAILED;
    }
    audio::startSong(0);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    double seconds = showUntilStopped(limitSeconds);
    if (!stdoutIsTerminal()) std::printf("%s\n", statusLine(seconds).c_str());
    audio::shutdownPlayer();
    audio::setStreamObserver(nullptr);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    return EXIT_OK;
}

}  // namespace mxmtool
