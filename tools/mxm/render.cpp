// render.cpp — `mxm render`: the module through the render driver into WAV or raw PCM.
//
// The song is rendered exactly as the streaming thread does it: renderFrames in
// requests of C frames, each converted with convertToPcm16. The bytes do not depend
// on C. A file is written to a temporary file beside it and renamed when complete, so
// no half-written file is ever left under the requested name (see output_file.h).
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "audio/mixer.h"
#include "player/player.h"
#include "tools/common/message.h"
#include "tools/common/output_file.h"
#include "tools/mxm/commands.h"

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

// What the command line asks for.
struct RenderOptions {
    const char* file = nullptr;
    const char* output = nullptr;
    bool raw = false;
    uint64_t frames = 0, chunk = 1102;
};

// Fills `o`; returns EXIT_OK, or the status to exit with (help shown, usage error).
int parseRenderOptions(int argc, char** argv, RenderOptions& o, bool& helpShown) {
    bool haveSeconds = false, haveFrames = false;
    double seconds = 30;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (a == "--help" || a == "-h") {
            std::fputs(USAGE, stdout);
            helpShown = true;
            return EXIT_OK;
        } else if (a == "-o") {
            o.output = value();
            if (o.output == nullptr) return usageError("render", "-o needs a file name");
        } else if (a == "--seconds") {
            if (!parsePositiveReal(value(), seconds)) return usageError("render", "--seconds needs a positive number");
            haveSeconds = true;
        } else if (a == "--frames") {
            if (!parseUnsigned(value(), 0, MAX_FRAMES, o.frames))
                return usageError("render",
                                  "--frames needs a whole number of frames up to " + std::to_string(MAX_FRAMES));
            haveFrames = true;
        } else if (a == "--chunk") {
            if (!parseUnsigned(value(), 1, MAX_CHUNK, o.chunk))
                return usageError("render", "--chunk needs a frame count from 1 to 16376");
        } else if (a == "--raw") {
            o.raw = true;
        } else if (int status = takeModuleArg("render", argv[i], o.file)) {
            return status;
        }
    }
    if (o.file == nullptr) return usageError("render", "no module given");
    if (haveSeconds && haveFrames) return usageError("render", "give --seconds or --frames, not both");
    if (!haveFrames) {
        double f = std::floor(seconds * SAMPLE_RATE + 0.5);
        if (f > static_cast<double>(MAX_FRAMES)) return usageError("render", "--seconds too long for a WAV file");
        o.frames = static_cast<uint64_t>(f);
    }
    return EXIT_OK;
}

// The song from order 0 into `out`, `o.chunk` frames per request.
bool renderSong(ModuleImage& image, const RenderOptions& o, toolio::OutputFile& out, std::string& error) {
    if (!o.raw) {
        uint8_t header[44];
        wavHeader(header, o.frames);
        if (!toolio::writeOutput(&out, header, sizeof header, &error)) return false;
    }
    // loadModule decodes the samples in place: the image is the player's from here on.
    mxm::loadModule(&g_state, image.bytes.data());
    mxm::startSong(g_state, 0);
    std::vector<int32_t> mix(2 * o.chunk);
    std::vector<uint8_t> pcm(4 * o.chunk);
    bool progress = isatty(STDERR_FILENO) != 0;
    uint64_t step = o.frames / 100 + 1, nextShown = 0;
    for (uint64_t done = 0; done < o.frames;) {
        uint32_t n = static_cast<uint32_t>(o.frames - done < o.chunk ? o.frames - done : o.chunk);
        audio::renderFrames(g_state, n, mix.data());
        audio::convertToPcm16(mix.data(), pcm.data(), 4 * n);
        if (!toolio::writeOutput(&out, pcm.data(), 4 * size_t{n}, &error)) return false;
        done += n;
        if (progress && (done >= nextShown || done == o.frames)) {
            showProgress(done, o.frames);
            nextShown = done + step;
        }
    }
    if (progress && o.frames == 0) showProgress(0, 0);
    return true;
}

}  // namespace

int runRender(int argc, char** argv) {
    RenderOptions o;
    bool helpShown = false;
    if (int status = parseRenderOptions(argc, argv, o, helpShown); status != EXIT_OK || helpShown) return status;
    ModuleImage image;
    if (int status = readModule(o.file, image)) return status;
    std::string target = o.output ? o.output : defaultOutput(o.file, o.raw);

    // Open the output before the work, so a bad path fails at once.
    toolio::OutputFile out;
    std::string error;
    if (!toolio::openOutput(target, &out, &error) || !renderSong(image, o, out, error) ||
        !toolio::closeOutput(&out, &error)) {
        toolio::printMessage(stderr, "mxm", error);
        return EXIT_FAILED;
    }
    return EXIT_OK;
}

}  // namespace mxmtool
