// song_text.h — the human-editable song and instrument texts of the game's music,
// parsed into plain records for the song compiler (songc).
//
//   SongText song = parseSong(readFile("song.txt"), "song.txt");
//   std::vector<InstrumentText> ins = parseInstruments(readFile("instruments.txt"), "instruments.txt");
//
// Both parsers throw TextError ("file:line: message") on the first malformed line.
//
// song.txt (one statement per line; '#' at the start of a line or after a space
// starts a comment):
//   channels 8 / speed 5 / tempo 125 / order 0 1 2 2 3 4 / restart 0
//   pattern N rows 64            then row lines until the next pattern:
//   RR | C-5 01 .. ... | --- .. 28 ... | OFF .. .. ... | ...
// A row line is the row number and one cell per channel (fewer cells = the rest empty);
// a cell is four fields: note (C-5, C#5, --- none, OFF key-off), instrument (decimal,
// .. none), volume-column byte (hex, .. none), effect (command 0-9/A-Z and two hex
// digits, e.g. 108 or 30C; E sub-commands as E + two hex digits; ... none).
// Rows not listed are empty. Notes are tracker notes: C-0 = 1, C-4 = 49, B-7 = 96.
//
// instruments.txt: "instrument N name" opens a block; its lines are "key values..."
// (see instruments.txt itself for what each key does).
//
// Ranges (anything outside, and nan or inf anywhere, is refused with "file:line:"):
//   song:  channels 1..32, speed 1..255, tempo 32..255, restart 0..255 (and inside the
//          order list), order 1..256 entries of 0..255, pattern 0..255, rows 1..256,
//          instrument in a cell 1..128
//   instrument: N 1..128, points 16..65536, cycle 2..4096, loop 1..256, peak (0, 1],
//          seed 1..2^30, transpose -96..96 (pitched kinds only), rate 1000..2000000 Hz
//          at C-0..B-7 (drums),
//          volume 0..64, panning 0..255, fadeout 0..65535, vibrato depth 0..31
//          rate 0..255 sweep 0..127, envelope ticks 0..32767 (at most 12 points),
//          values 0..64
//   synth settings (each at most once, only those of the instrument's kind):
//          pluck, strum: bright 0..1, pick 0..0.5, damp 0..1, decay 0..1
//          strum: minor 0..1, spread 0..65536 points
//          whistle: h2 0..1, h3 0..1, breath 0..1, band 0..0.3, swell 0..65536 points
//          kick: f0 1..22050 Hz, f1 1..22050 Hz, fall 0.0001..10 s, decay 0.0001..10 s,
//                click 0..1
//          snare: tone 1..22050 Hz, tonedecay 0.0001..10 s, noise 0..1,
//                 noisedecay 0.0001..10 s, lowpass 0..1
//          hat: decay 0.0001..10 s
//   Either text is at most MAX_TEXT_BYTES long, each line at most MAX_LINE_CHARS.
//   describeSynthSettings() prints the synth settings from the table the parser checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace music {

constexpr size_t MAX_TEXT_BYTES = 1 << 20;  // far above the module's own pattern space
constexpr size_t MAX_LINE_CHARS = 2048;     // a 32-channel row is about 550

struct TextError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct CellText {
    int channel = 0;
    int line = 0;  // where it was read
    bool hasNote = false;
    uint8_t note = 0;  // 1..96, 97 key-off
    uint8_t instrument = 0;
    bool hasVolume = false;
    uint8_t volume = 0;
    bool hasEffect = false;
    uint8_t effect = 0;  // packed effect number (0x00..0x23, 0x24 + x for Ex)
    uint8_t param = 0;
};

struct PatternText {
    int number = 0;
    int rowCount = 0;
    std::vector<std::vector<CellText>> rows;  // rowCount rows, cells in channel order
    int line = 0;                             // where the pattern was opened
};

struct SongText {
    std::string file;  // where it was read, for messages
    int channels = 0;
    int speed = 0;
    int tempo = 0;
    int restart = 0;
    std::vector<int> orders;
    std::vector<PatternText> patterns;  // in pattern-number order, 0..n-1
};

struct EnvPointText {
    int tick = 0;   // absolute tick of the point
    int value = 0;  // 0..64
};

struct EnvelopeText {
    std::vector<EnvPointText> points;  // empty = off
    int sustain = -1;                  // point index, -1 none
    int loopStart = -1, loopEnd = -1;  // point indices, -1 none
};

// One instrument: its player settings and how its single sample is synthesised.
struct InstrumentText {
    int number = 0;
    std::string name;
    std::string file;  // where it was read, for messages
    int line = 0;
    // Synthesis.
    std::string synth;                                   // pluck, strum, whistle, kick, snare, hat
    int points = 0;                                      // stored sample points (one more is added past the end)
    int cycle = 0;                                       // points per period of the sounding pitch (pitched synths)
    int loopCycles = 0;                                  // pitched synths: the loop is the last loopCycles periods
    double peak = 1.0;                                   // peak sample value as a fraction of 127
    std::vector<std::pair<std::string, double>> params;  // synth-specific knobs
    int seed = 1;
    // Tuning: pitched instruments give transpose (sounding = written + transpose
    // semitones, written C-5 sounding as concert C5); drums give the playback rate in Hz
    // at one written note.
    bool hasTranspose = false;
    int transpose = 0;
    double rate = 0;
    int rateNote = 0;
    // Player settings.
    int volume = 64;
    int panning = 128;
    int fadeOut = 0;
    int vibDepth = 0, vibRate = 0, vibSweep = 0;
    EnvelopeText volEnv, panEnv;

    double param(const std::string& key, double fallback) const;
};

SongText parseSong(const std::string& text, const std::string& fileName);
std::vector<InstrumentText> parseInstruments(const std::string& text, const std::string& fileName);

// One line per synth kind: its settings and their ranges, for --help.
std::string describeSynthSettings();

// "C-5" -> 61, "C#4" -> 50; -1 if not a note name.
int noteFromName(const std::string& s);
std::string noteName(int note);

}  // namespace music
