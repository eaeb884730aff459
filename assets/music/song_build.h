// song_build.h — turns the parsed song and instruments into the packed module the
// game embeds, with the layout the game's data block is built around.
//
//   std::vector<uint8_t> bytes = compileSong(song, instruments, &report);
//
// Layout: header, the instruments, the patterns, zero padding up to
// SAMPLE_DATA_OFFSET, then exactly SAMPLE_BLOCK_BYTES of delta-coded 8-bit samples,
// MODULE_BYTES in all. Each pitched instrument's relative pitch is chosen so that the
// notes the song plays with it come out closest to equal temperament (A4 = 440 Hz),
// given the player's even, truncated pitch steps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "assets/music/song_text.h"
#include "tools/mxm_builder.h"

namespace music {

constexpr uint32_t SAMPLE_DATA_OFFSET = 15059;
constexpr uint32_t SAMPLE_BLOCK_BYTES = 16512;  // every sample's points plus its one extra point
constexpr uint32_t MODULE_BYTES = SAMPLE_DATA_OFFSET + SAMPLE_BLOCK_BYTES;  // 31,571
constexpr int32_t MIN_PERIOD = -18432;
constexpr int32_t MAX_PERIOD = 24576;

// The player's pitch step for a note (1..96) with a relative pitch, linear model:
// source points per output frame in 1/1024.
uint32_t noteStep(int note, int relativePitch);

// The module description (samples synthesised, pitches tuned). Throws TextError.
mxmb::Module buildModule(const SongText& song, const std::vector<InstrumentText>& instruments,
                         std::string* report = nullptr);
// Warnings about cells that do not do what they look like ("file:line: ..."): tone
// portamento that stops before its note. Follows the order list at the song's speed.
std::vector<std::string> lintSong(const SongText& song, const std::string& fileName);
// The packed bytes, checked against the layout above. Throws TextError.
std::vector<uint8_t> compileSong(const SongText& song, const std::vector<InstrumentText>& instruments,
                                 std::string* report = nullptr);

}  // namespace music
