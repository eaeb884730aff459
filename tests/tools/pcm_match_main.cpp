// pcm_match_main.cpp — `pcm_match RENDER RECORDING`: does a recording of the song hold
// only the song (at one render offset per stretch) and silence, with enough of it in order?
//
//   pcm_match render.raw recording.raw [--min-seconds S] [--max-unmatched N] [--report FILE]
//
// Both files are raw 44,100 Hz stereo signed 16-bit little-endian. The report (see
// pcm_match.h) goes to standard output and, with --report, to FILE too. Exit status 0
// when every sounding frame but at most N (default 0) lies in a stretch and the longest
// in-order chain holds at least S seconds (default 3); 1 when not; 2 on a usage or I/O error.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "pcm_match.h"

namespace {

constexpr uint32_t RATE_HZ = 44100;

bool readAll(const char* path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

int usage() {
    std::fprintf(stderr, "usage: pcm_match RENDER RECORDING [--min-seconds S] [--max-unmatched N] [--report FILE]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const char* paths[2] = {nullptr, nullptr};
    const char* reportPath = nullptr;
    double minSeconds = 3;
    unsigned long long maxUnmatched = 0;
    int given = 0;
    for (int i = 1; i < argc; ++i) {
        char* end = nullptr;
        if (std::strcmp(argv[i], "--min-seconds") == 0 && i + 1 < argc) {
            minSeconds = std::strtod(argv[++i], &end);
            if (*end != '\0' || !(minSeconds >= 0)) return usage();
        } else if (std::strcmp(argv[i], "--max-unmatched") == 0 && i + 1 < argc) {
            maxUnmatched = std::strtoull(argv[++i], &end, 10);
            if (*end != '\0') return usage();
        } else if (std::strcmp(argv[i], "--report") == 0 && i + 1 < argc) {
            reportPath = argv[++i];
        } else if (argv[i][0] != '-' && given < 2) {
            paths[given++] = argv[i];
        } else {
            return usage();
        }
    }
    if (given != 2) return usage();

    std::vector<uint8_t> renderBytes, recordingBytes;
    for (int i = 0; i < 2; ++i) {
        if (!readAll(paths[i], i == 0 ? renderBytes : recordingBytes)) {
            std::fprintf(stderr, "pcm_match: cannot read %s\n", paths[i]);
            return 2;
        }
    }
    pcmmatch::Result r =
        pcmmatch::match(pcmmatch::framesFromBytes(renderBytes), pcmmatch::framesFromBytes(recordingBytes));
    bool pass = pcmmatch::passes(r, minSeconds, maxUnmatched, RATE_HZ);
    std::string text = pcmmatch::report(r, RATE_HZ);
    text += pass ? "verdict: MATCH\n" : "verdict: NO MATCH\n";
    std::fputs(text.c_str(), stdout);
    if (reportPath != nullptr) {
        std::ofstream out(reportPath, std::ios::binary);
        out << text;
        if (!out) {
            std::fprintf(stderr, "pcm_match: cannot write %s\n", reportPath);
            return 2;
        }
    }
    return pass ? 0 : 1;
}
