// render.cpp — `mxm render`: the module through the render driver into WAV or raw PCM.
//
// The song is rendered exactly as the streaming thread does it: renderFrames in
// requests of C frames, each converted with convertToPcm16. The bytes do not depend
// on C. A named output is written to a temporary file beside it and renamed when
// complete, so no half-written file is ever left under the requested name.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "../portable_io.h"
#include "commands.h"
#include "mixer.h"
#include "player.h"

namespace mxmtool {

namespace {

const char* const USAGE =
    "usage: mxm render FILE [-o OUT] [--seconds S | --frames N] [--raw] [--chunk C]\n"
    "\n"
    "Renders the song from order position 0 at 44,100 Hz, stereo, signed 16-bit.\n"
    "  -o OUT        output file; '-' writes to standard output\n"
    "                (default: the module's name with .wav or .raw, in the current folder)\n"
    "  --seconds S   length in seconds (default 30)\n"
    "  --frames N    length in frames (1/44,100 s)\n"
    "  --raw         headerless little-endian PCM, left and right interleaved, instead of WAV\n"
    "  --chunk C     frames per render request, 1..16376 (default 1102, as the game's\n"
    "                streaming thread); the output does not depend on it\n"
    "FILE may be --embedded for the game's own module.\n";

constexpr uint32_t SAMPLE_RATE = 44100;
constexpr uint64_t MAX_CHUNK = 16376;
// A WAV data chunk holds at most 4 GiB minus the header.
constexpr uint64_t MAX_FRAMES = (0xFFFFFFFFull - 36) / 4;

mxm::PlayerState g_state;  // static storage, as in the game

void put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

void wavHeader(uint8_t (&h)[44], uint64_t frames) {
    uint32_t dataBytes = static_cast<uint32_t>(frames * 4);
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, 36 + dataBytes);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);  // fmt chunk size
    put16(h + 20, 1);   // PCM
    put16(h + 22, 2);   // channels
    put32(h + 24, SAMPLE_RATE);
    put32(h + 28, SAMPLE_RATE * 4);  // bytes per second
    put16(h + 32, 4);                // bytes per frame
    put16(h + 34, 16);               // bits per sample
    std::memcpy(h + 36, "data", 4);
    put32(h + 40, dataBytes);
}

std::string defaultOutput(const std::string& source, bool raw) {
    std::string stem = source == "--embedded" ? "embedded" : source;
    size_t slash = stem.find_last_of('/');
    if (slash != std::string::npos) stem = stem.substr(slash + 1);
    size_t dot = stem.find_last_of('.');
    if (dot != std::string::npos && dot > 0) stem = stem.substr(0, dot);
    return stem + (raw ? ".raw" : ".wav");
}

void showProgress(uint64_t done, uint64_t total) {
    int percent = total ? static_cast<int>(done * 100 / total) : 100;
    int filled = percent * 40 / 100;
    std::fprintf(stderr, "\rrendering [%.*s%*s] %3d%%", filled, "########################################", 40 - filled,
                 "", percent);
    if (done == total) std::fprintf(stderr, "\n");
}

}  // namespace

int runRender(int argc, char** argv) {
    const char* file = nullptr;
    const char* output = nullptr;
    bool raw = false, haveSeconds = false, haveFrames = false;
    double seconds = 30;
    uint64_t frames = 0, chunk = 1102;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (a == "--help" || a == "-h") {
            std::fputs(USAGE, stdout);
            return EXIT_OK;
        } else if (a == "-o") {
            output = value();
            if (output == nullptr) return usageError("render", "-o needs a file name");
        } else if (a == "--seconds") {
            if (!parsePositiveReal(value(), seconds)) return usageError("render", "--seconds needs a positive number");
            haveSeconds = true;
        } else if (a == "--frames") {
            if (!parseUnsigned(value(), 0, MAX_FRAMES, frames))
                return usageError("render",
                                  "--frames needs a whole number of frames up to " + std::to_string(MAX_FRAMES));
            haveFrames = true;
        } else if (a == "--chunk") {
            if (!parseUnsigned(value(), 1, MAX_CHUNK, chunk))
                return usageError("render", "--chunk needs a frame count from 1 to 16376");
        } else if (a == "--raw") {
            raw = true;
        } else if (int status = takeModuleArg("render", argv[i], file)) {
            return status;
        }
    }
    if (file == nullptr) return usageError("render", "no module given");
    if (haveSeconds && haveFrames) return usageError("render", "give --seconds or --frames, not both");
    if (!haveFrames) {
        double f = std::floor(seconds * SAMPLE_RATE + 0.5);
        if (f > static_cast<double>(MAX_FRAMES)) return usageError("render", "--seconds too long for a WAV file");
        frames = static_cast<uint64_t>(f);
    }

    ModuleImage image;
    if (int status = readModule(file, image)) return status;
    std::string target = output ? output : defaultOutput(file, raw);
    bool toStdout = target == "-";

    // Open the output before the work, so a bad path fails at once.
    std::string temp;
    FILE* out = stdout;
    if (!toStdout) {
        temp = target + ".partXXXXXX";
        int fd = mkstemp(temp.data());
        if (fd >= 0) portable::giveUsualPermissions(fd);
        if (fd < 0 || (out = fdopen(fd, "wb")) == nullptr) {
            std::fprintf(stderr, "mxm: %s: %s\n", target.c_str(), std::strerror(errno));
            if (fd >= 0) {
                close(fd);
                std::remove(temp.c_str());
            }
            return EXIT_FAILED;
        }
    }
    auto fail = [&](const char* what) {
        std::fprintf(stderr, "mxm: %s: %s: %s\n", toStdout ? "standard output" : target.c_str(), what,
                     std::strerror(errno));
        if (!toStdout) {
            std::fclose(out);
            std::remove(temp.c_str());
        }
        return EXIT_FAILED;
    };

    if (!raw) {
        uint8_t header[44];
        wavHeader(header, frames);
        if (std::fwrite(header, 1, sizeof header, out) != sizeof header) return fail("write error");
    }

    mxm::loadModule(&g_state, image.bytes.data());
    mxm::startSong(0);
    std::vector<int32_t> mix(2 * chunk);
    std::vector<uint8_t> pcm(4 * chunk);
    bool progress = portable::isTerminal(stderr);
    uint64_t step = frames / 100 + 1, nextShown = 0;
    for (uint64_t done = 0; done < frames;) {
        uint32_t n = static_cast<uint32_t>(frames - done < chunk ? frames - done : chunk);
        audio::renderFrames(n, mix.data());
        audio::convertToPcm16(mix.data(), pcm.data(), 4 * n);
        if (std::fwrite(pcm.data(), 4, n, out) != n) return fail("write error");
        done += n;
        if (progress && (done >= nextShown || done == frames)) {
            showProgress(done, frames);
            nextShown = done + step;
        }
    }
    if (progress && frames == 0) showProgress(0, 0);

    if (toStdout) {
        if (std::fflush(stdout) != 0) return fail("write error");
        return EXIT_OK;
    }
    if (std::fflush(out) != 0) return fail("write error");
    if (std::fclose(out) != 0) {
        std::fprintf(stderr, "mxm: %s: write error: %s\n", target.c_str(), std::strerror(errno));
        std::remove(temp.c_str());
        return EXIT_FAILED;
    }
    if (!portable::replaceFile(temp.c_str(), target.c_str())) {
        std::fprintf(stderr, "mxm: %s: %s\n", target.c_str(), std::strerror(errno));
        std::remove(temp.c_str());
        return EXIT_FAILED;
    }
    return EXIT_OK;
}

}  // namespace mxmtool
