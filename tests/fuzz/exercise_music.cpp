// exercise_music.cpp — the song compiler's path (songc): parse, synthesise, compile,
// with one of the two texts fuzzed and the other the game's own.
#include <fstream>
#include <sstream>
#include <string>

#include "exercise.h"
#include "song_build.h"
#include "song_text.h"
#include "validate.h"

namespace {

std::string readGameText(const char* name) {
    std::ifstream in(std::string(SKARVO_MUSIC_DIR) + "/" + name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

const music::SongText& gameSong() {
    static const music::SongText song = music::parseSong(readGameText("song.txt"), "song.txt");
    return song;
}

const std::vector<music::InstrumentText>& gameInstruments() {
    static const std::vector<music::InstrumentText> ins =
        music::parseInstruments(readGameText("instruments.txt"), "instruments.txt");
    return ins;
}

// A song that plays no instrument, for instrument texts shorter than the game's list.
const music::SongText& emptySong() {
    static const music::SongText song =
        music::parseSong("channels 1\nspeed 6\ntempo 125\norder 0\npattern 0 rows 1\n", "empty.txt");
    return song;
}

size_t highestInstrument(const music::SongText& song) {
    size_t n = 0;
    for (const music::PatternText& p : song.patterns)
        for (const auto& row : p.rows)
            for (const music::CellText& c : row) n = c.instrument > n ? c.instrument : n;
    return n;
}

bool compiles(const music::SongText& song, const std::vector<music::InstrumentText>& instruments) {
    std::vector<uint8_t> bytes;
    try {
        std::string report;
        bytes = music::compileSong(song, instruments, &report);
    } catch (const music::TextError&) {
        return true;
    }
    return mxm::validateModule(bytes.data(), bytes.size(), nullptr);
}

}  // namespace

bool exerciseSongText(const uint8_t* data, size_t size) {
    music::SongText song;
    try {
        song = music::parseSong(std::string(reinterpret_cast<const char*>(data), size), "song.txt");
        music::lintSong(song, "song.txt");
    } catch (const music::TextError&) {
        return true;
    }
    return compiles(song, gameInstruments());
}

bool exerciseInstrumentText(const uint8_t* data, size_t size) {
    std::vector<music::InstrumentText> instruments;
    try {
        instruments =
            music::parseInstruments(std::string(reinterpret_cast<const char*>(data), size), "instruments.txt");
    } catch (const music::TextError&) {
        return true;
    }
    const music::SongText& song = instruments.size() >= highestInstrument(gameSong()) ? gameSong() : emptySong();
    return compiles(song, instruments);
}
