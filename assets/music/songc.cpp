// songc — compiles the game's song text and instrument text into the packed module.
//
//   songc --song song.txt --instruments instruments.txt -o song.mxm [--report] [--samples DIR]
//
// Exit 0 on success; 1 with "file:line: message" on stderr for a bad text or a song
// that does not fit the module's fixed layout, or output that could not be written. The
// module is written to a temporary file next to it and renamed, so a failed run never
// leaves a partial module.
#include <cstdio>
#include <string>

#include "assets/music/song_build.h"
#include "assets/music/song_text.h"
#include "tools/common/input_file.h"
#include "tools/common/message.h"
#include "tools/common/output_file.h"

namespace {

const char* USAGE =
    "usage: songc --song FILE --instruments FILE -o OUT [--report] [--samples DIR]\n"
    "Compiles the song text and the instrument text into a packed MXM module of exactly\n"
    "31,571 bytes (8-bit delta-coded samples synthesised from the instrument settings).\n"
    "  --song FILE          patterns and order list (see the comments in song.txt)\n"
    "  --instruments FILE   instrument settings and sample synthesis\n"
    "  -o OUT               module to write\n"
    "  --report             print tuning and pattern space to stdout\n"
    "  --samples DIR        also write each instrument's sample as DIR/NN_name.wav (8-bit mono,\n"
    "                       at the rate it plays for written C-5, or for a drum's own note)\n"
    "Warnings (glides that stop short of their note) go to stderr and do not fail the run.\n";

bool readText(const std::string& path, std::string* out) {
    std::string error;
    if (toolio::readInput(path, music::MAX_TEXT_BYTES, out, &error)) return true;
    toolio::printMessage(stderr, "songc", error);
    return false;
}

void printHelp() {
    std::fputs(USAGE, stdout);
    std::printf("Synth settings and their ranges (the other settings: see instruments.txt):\n%s",
                music::describeSynthSettings().c_str());
    std::printf("Each text is at most %zu bytes, each line at most %zu characters.\n", music::MAX_TEXT_BYTES,
                music::MAX_LINE_CHARS);
}

// One sample as an 8-bit mono WAV file.
bool writeWav(const std::string& path, const std::vector<int32_t>& points, uint32_t rate, std::string* error) {
    std::string bytes;
    auto u32 = [&](uint32_t v) {
        for (int k = 0; k < 4; ++k) bytes += static_cast<char>((v >> (8 * k)) & 0xFF);
    };
    auto u16 = [&](uint32_t v) {
        for (int k = 0; k < 2; ++k) bytes += static_cast<char>((v >> (8 * k)) & 0xFF);
    };
    uint32_t n = static_cast<uint32_t>(points.size());
    bytes += "RIFF";
    u32(36 + n);
    bytes += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate);
    u16(1);
    u16(8);
    bytes += "data";
    u32(n);
    for (int32_t v : points) bytes += static_cast<char>(static_cast<uint8_t>(v + 128));
    return toolio::writeWholeFile(path, bytes.data(), bytes.size(), error);
}

bool writeSamples(const std::string& dir, const music::SongText& song,
                  const std::vector<music::InstrumentText>& instruments) {
    mxmb::Module m = music::buildModule(song, instruments);
    for (size_t i = 0; i < instruments.size(); ++i) {
        const mxmb::Sample& s = m.instruments[i].samples[0];
        int note = instruments[i].hasTranspose ? 61 : instruments[i].rateNote;
        uint32_t rate = static_cast<uint32_t>(music::noteStep(note, s.relativePitch) * 44100ull / 1024);
        char name[64];
        std::snprintf(name, sizeof name, "/%02zu_%s.wav", i + 1, instruments[i].name.c_str());
        std::string error;
        if (!writeWav(dir + name, s.points, rate, &error)) {
            toolio::printMessage(stderr, "songc", error);
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string songPath, instrumentsPath, outPath, samplesDir;
    bool report = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            printHelp();
            return 0;
        }
        if (a == "--report") {
            report = true;
        } else if ((a == "--song" || a == "--instruments" || a == "-o" || a == "--samples") && i + 1 < argc) {
            (a == "--song"      ? songPath
             : a == "-o"        ? outPath
             : a == "--samples" ? samplesDir
                                : instrumentsPath) = argv[++i];
        } else {
            toolio::printMessage(stderr, "songc", "unknown or incomplete argument '" + a + "'");
            std::fputs(USAGE, stderr);
            return 1;
        }
    }
    if (songPath.empty() || instrumentsPath.empty() || outPath.empty()) {
        std::fputs(USAGE, stderr);
        return 1;
    }
    std::string songText, instrumentsText;
    if (!readText(songPath, &songText) || !readText(instrumentsPath, &instrumentsText)) return 1;
    std::vector<uint8_t> bytes;
    std::string notes;
    try {
        music::SongText song = music::parseSong(songText, songPath);
        std::vector<music::InstrumentText> instruments = music::parseInstruments(instrumentsText, instrumentsPath);
        bytes = music::compileSong(song, instruments, report ? &notes : nullptr);
        for (const std::string& w : music::lintSong(song, songPath))
            toolio::printMessage(stderr, "songc", "warning: " + w);
        if (!samplesDir.empty() && !writeSamples(samplesDir, song, instruments)) return 1;
    } catch (const music::TextError& e) {
        toolio::printMessage(stderr, "songc", e.what());
        return 1;
    }
    std::string error;
    if (!toolio::writeWholeFile(outPath, bytes.data(), bytes.size(), &error)) {
        toolio::printMessage(stderr, "songc", error);
        return 1;
    }
    if (report) std::fputs(notes.c_str(), stdout);
    if (!toolio::stdoutIntact(&error)) {
        toolio::printMessage(stderr, "songc", error);
        return 1;
    }
    return 0;
}
