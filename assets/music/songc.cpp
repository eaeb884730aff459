// songc — compiles the game's song text and instrument text into the packed module.
//
//   songc --song song.txt --instruments instruments.txt -o song.mxm [--report]
//
// Exit 0 on success; 1 with "file:line: message" on stderr for a bad text or a song
// that does not fit the module's fixed layout. The output is written to a temporary
// file next to it and renamed, so a failed run never leaves a partial module.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "song_build.h"
#include "song_text.h"

namespace {

const char* USAGE =
    "usage: songc --song FILE --instruments FILE -o OUT [--report]\n"
    "Compiles the song text and the instrument text into a packed MXM module of exactly\n"
    "31,571 bytes (8-bit delta-coded samples synthesised from the instrument settings).\n"
    "  --song FILE          patterns and order list (see the comments in song.txt)\n"
    "  --instruments FILE   instrument settings and sample synthesis\n"
    "  -o OUT               module to write\n"
    "  --report             print tuning and pattern space to stdout\n";

bool readFile(const std::string& path, std::string* out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    *out = s.str();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string songPath, instrumentsPath, outPath;
    bool report = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(USAGE, stdout);
            return 0;
        }
        if (a == "--report") {
            report = true;
        } else if ((a == "--song" || a == "--instruments" || a == "-o") && i + 1 < argc) {
            (a == "--song" ? songPath : a == "-o" ? outPath : instrumentsPath) = argv[++i];
        } else {
            std::fprintf(stderr, "songc: unknown or incomplete argument '%s'\n%s", a.c_str(), USAGE);
            return 1;
        }
    }
    if (songPath.empty() || instrumentsPath.empty() || outPath.empty()) {
        std::fputs(USAGE, stderr);
        return 1;
    }
    std::string songText, instrumentsText;
    if (!readFile(songPath, &songText)) {
        std::fprintf(stderr, "songc: cannot read %s\n", songPath.c_str());
        return 1;
    }
    if (!readFile(instrumentsPath, &instrumentsText)) {
        std::fprintf(stderr, "songc: cannot read %s\n", instrumentsPath.c_str());
        return 1;
    }
    std::vector<uint8_t> bytes;
    std::string notes;
    try {
        music::SongText song = music::parseSong(songText, songPath);
        std::vector<music::InstrumentText> instruments = music::parseInstruments(instrumentsText, instrumentsPath);
        bytes = music::compileSong(song, instruments, report ? &notes : nullptr);
        for (const std::string& w : music::lintSong(song, songPath)) std::fprintf(stderr, "songc: warning: %s\n", w.c_str());
    } catch (const music::TextError& e) {
        std::fprintf(stderr, "songc: %s\n", e.what());
        return 1;
    }
    std::string temp = outPath + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out.good()) {
            std::fprintf(stderr, "songc: cannot write %s\n", temp.c_str());
            std::remove(temp.c_str());
            return 1;
        }
    }
    if (std::rename(temp.c_str(), outPath.c_str()) != 0) {
        std::fprintf(stderr, "songc: cannot rename %s to %s\n", temp.c_str(), outPath.c_str());
        std::remove(temp.c_str());
        return 1;
    }
    if (report) std::fputs(notes.c_str(), stdout);
    return 0;
}
