// song_text.cpp — line parsers for song.txt and instruments.txt.
#include "assets/music/song_text.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace music {

namespace {

struct Reader {
    std::string file;
    int line = 0;
    [[noreturn]] void fail(const std::string& what) const {
        throw TextError(file + ":" + std::to_string(line) + ": " + what);
    }
};

// A word from the text, in quotes, cut short so that a huge line is not echoed whole.
std::string quoted(const std::string& s) {
    constexpr size_t SHOWN = 40;
    return "'" + (s.size() > SHOWN ? s.substr(0, SHOWN) + "\u2026" : s) + "'";
}

// Splits the text into lines, refusing a text or a line beyond the documented limits.
std::vector<std::string> textLines(const std::string& text, const std::string& fileName) {
    if (text.size() > MAX_TEXT_BYTES)
        throw TextError(fileName + ": larger than " + std::to_string(MAX_TEXT_BYTES) + " bytes");
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string raw;
    while (std::getline(in, raw)) {
        if (raw.size() > MAX_LINE_CHARS)
            Reader{fileName, static_cast<int>(lines.size()) + 1}.fail(
                "line of " + std::to_string(raw.size()) + " characters, at most " + std::to_string(MAX_LINE_CHARS) +
                ": " + quoted(raw));
        lines.push_back(raw);
    }
    return lines;
}

// A comment starts at a '#' that opens the line or follows a space (C#5 is a note).
std::string stripComment(const std::string& s) {
    size_t hash = 0;
    while ((hash = s.find('#', hash)) != std::string::npos && hash > 0 &&
           !std::isspace(static_cast<unsigned char>(s[hash - 1])))
        ++hash;
    std::string t = hash == std::string::npos ? s : s.substr(0, hash);
    while (!t.empty() && std::isspace(static_cast<unsigned char>(t.back()))) t.pop_back();
    return t;
}

std::vector<std::string> words(const std::string& s) {
    std::istringstream in(s);
    std::vector<std::string> out;
    std::string w;
    while (in >> w) out.push_back(w);
    return out;
}

long toInt(const Reader& r, const std::string& s, long lo, long hi, const std::string& what) {
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end != 0) r.fail(what + " " + quoted(s) + " is not a whole number");
    if (errno == ERANGE || v < lo || v > hi)
        r.fail(what + " " + quoted(s) + " is outside " + std::to_string(lo) + ".." + std::to_string(hi));
    return v;
}

// A finite real number; nan and inf would poison the synthesis and the tuning.
double toReal(const Reader& r, const std::string& s, const std::string& what) {
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    if (s.empty() || *end != 0) r.fail(what + " " + quoted(s) + " is not a number");
    if (!std::isfinite(v)) r.fail(what + " " + quoted(s) + " is not a finite number");
    return v;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

int hexByte(const std::string& s) {
    if (s.size() != 2 || hexDigit(s[0]) < 0 || hexDigit(s[1]) < 0) return -1;
    return hexDigit(s[0]) * 16 + hexDigit(s[1]);
}

void parseCellNote(const Reader& r, const std::string& n, const std::string& where, CellText& c) {
    if (n == "OFF" || n == "===") {
        c.hasNote = true;
        c.note = 97;
    } else if (n != "---" && n != "...") {
        int v = noteFromName(n);
        if (v < 1 || v > 96) r.fail(where + "bad note " + quoted(n) + " (C-0..B-7, --- or OFF)");
        c.hasNote = true;
        c.note = static_cast<uint8_t>(v);
    }
}

void parseCellEffect(const Reader& r, const std::string& e, const std::string& where, CellText& c) {
    int p = e.size() == 3 ? hexByte(e.substr(1)) : -1;
    char cmd = e.empty() ? 0 : static_cast<char>(std::toupper(static_cast<unsigned char>(e[0])));
    int number = cmd >= '0' && cmd <= '9' ? cmd - '0' : cmd >= 'A' && cmd <= 'Z' ? cmd - 'A' + 10 : -1;
    if (p < 0 || number < 0)
        r.fail(where + "bad effect " + quoted(e) + " (command 0-9/A-Z and two hex digits, or ...)");
    c.hasEffect = true;
    if (cmd == 'E') {
        c.effect = static_cast<uint8_t>(0x24 + (p >> 4));
        c.param = static_cast<uint8_t>(p & 15);
    } else {
        c.effect = static_cast<uint8_t>(number);
        c.param = static_cast<uint8_t>(p);
    }
}

CellText parseCell(const Reader& r, const std::string& field, int channel) {
    std::vector<std::string> f = words(field);
    std::string where = "channel " + std::to_string(channel) + ": ";
    if (f.size() != 4) r.fail(where + "a cell needs 4 fields (note instrument volume effect), got " + quoted(field));
    CellText c;
    c.channel = channel;
    c.line = r.line;
    parseCellNote(r, f[0], where, c);
    if (f[1] != "..") {
        c.instrument = static_cast<uint8_t>(toInt(r, f[1], 1, 128, where + "instrument"));
        if (!c.hasNote) r.fail(where + "an instrument needs a note (the format stores them together)");
    }
    if (f[2] != "..") {
        int v = hexByte(f[2]);
        if (v < 0) r.fail(where + "bad volume byte " + quoted(f[2]) + " (two hex digits or ..)");
        c.hasVolume = true;
        c.volume = static_cast<uint8_t>(v);
    }
    if (f[3] != "...") parseCellEffect(r, f[3], where, c);
    return c;
}

// The song being read, with what later lines are checked against.
struct SongReader {
    SongText song;
    Reader r;
    PatternText* current = nullptr;
    int lastRow = -1;
    int orderLine = 0, restartLine = 0;
};

void parseRow(SongReader& sr, const std::string& s) {
    const Reader& r = sr.r;
    if (!sr.current) r.fail("a row line before any 'pattern' line");
    size_t bar = s.find('|');
    std::vector<std::string> rowField = words(s.substr(0, bar));
    int row = static_cast<int>(toInt(r, rowField.empty() ? "" : rowField[0], 0, sr.current->rowCount - 1, "row"));
    if (rowField.size() != 1) r.fail("row number must be followed by '|'");
    if (row <= sr.lastRow) r.fail("rows must be in ascending order (row " + std::to_string(row) + ")");
    sr.lastRow = row;
    std::vector<CellText>& cells = sr.current->rows[row];
    int channel = 0;
    while (bar != std::string::npos) {
        size_t next = s.find('|', bar + 1);
        std::string field = s.substr(bar + 1, next == std::string::npos ? std::string::npos : next - bar - 1);
        if (channel >= sr.song.channels)
            r.fail("more cells than the " + std::to_string(sr.song.channels) + " channels");
        CellText c = parseCell(r, field, channel);
        if (c.hasNote || c.hasVolume || c.hasEffect) cells.push_back(c);
        ++channel;
        bar = next;
    }
}

void parsePatternLine(SongReader& sr, const std::vector<std::string>& w) {
    const Reader& r = sr.r;
    if (sr.song.channels == 0) r.fail("'channels' must come before the first pattern");
    if (w.size() != 4 || w[2] != "rows") r.fail("expected 'pattern N rows R'");
    PatternText p;
    p.number = static_cast<int>(toInt(r, w[1], 0, 255, "pattern"));
    p.rowCount = static_cast<int>(toInt(r, w[3], 1, 256, "rows"));
    p.rows.resize(p.rowCount);
    p.line = r.line;
    if (p.number != static_cast<int>(sr.song.patterns.size()))
        r.fail("patterns must be numbered 0, 1, 2, ... in order; expected " + std::to_string(sr.song.patterns.size()));
    sr.song.patterns.push_back(p);
    sr.current = &sr.song.patterns.back();
    sr.lastRow = -1;
}

void parseSongStatement(SongReader& sr, const std::vector<std::string>& w) {
    const Reader& r = sr.r;
    SongText& song = sr.song;
    const std::string& key = w[0];
    auto one = [&](long lo, long hi) {
        if (w.size() != 2) r.fail(quoted(key) + " takes one value");
        return static_cast<int>(toInt(r, w[1], lo, hi, key));
    };
    if (key == "channels") {
        if (!song.patterns.empty()) r.fail("'channels' must come before the patterns");
        song.channels = one(1, 32);
    } else if (key == "speed") {
        song.speed = one(1, 255);
    } else if (key == "tempo") {
        song.tempo = one(32, 255);
    } else if (key == "restart") {
        song.restart = one(0, 255);
        sr.restartLine = r.line;
    } else if (key == "order") {
        if (w.size() < 2 || w.size() > 257) r.fail("'order' takes 1..256 pattern numbers");
        sr.orderLine = r.line;
        for (size_t i = 1; i < w.size(); ++i) song.orders.push_back(static_cast<int>(toInt(r, w[i], 0, 255, "order")));
    } else if (key == "pattern") {
        parsePatternLine(sr, w);
    } else {
        r.fail("unknown statement " + quoted(key));
    }
}

void checkSong(SongReader& sr) {
    const SongText& song = sr.song;
    Reader& r = sr.r;
    r.line = 0;
    if (song.channels == 0) r.fail("no 'channels' line");
    if (song.speed == 0 || song.tempo == 0) r.fail("'speed' and 'tempo' are required");
    if (song.orders.empty()) r.fail("no 'order' line");
    if (song.patterns.empty()) r.fail("no patterns");
    r.line = sr.orderLine;
    for (int o : song.orders)
        if (o >= static_cast<int>(song.patterns.size()))
            r.fail("order list names pattern " + std::to_string(o) + ", which does not exist");
    r.line = sr.restartLine;
    if (song.restart >= static_cast<int>(song.orders.size())) r.fail("'restart' is beyond the order list");
}

}  // namespace

int noteFromName(const std::string& s) {
    static const char* names[12] = {"C-", "C#", "D-", "D#", "E-", "F-", "F#", "G-", "G#", "A-", "A#", "B-"};
    if (s.size() != 3 || !std::isdigit(static_cast<unsigned char>(s[2]))) return -1;
    for (int k = 0; k < 12; ++k) {
        if (std::toupper(static_cast<unsigned char>(s[0])) == names[k][0] && s[1] == names[k][1])
            return (s[2] - '0') * 12 + k + 1;
    }
    return -1;
}

std::string noteName(int note) {
    static const char* names[12] = {"C-", "C#", "D-", "D#", "E-", "F-", "F#", "G-", "G#", "A-", "A#", "B-"};
    if (note == 97) return "OFF";
    if (note < 1 || note > 96) return "---";
    return std::string(names[(note - 1) % 12]) + static_cast<char>('0' + (note - 1) / 12);
}

SongText parseSong(const std::string& text, const std::string& fileName) {
    SongReader sr;
    sr.song.file = fileName;
    sr.r = Reader{fileName, 0};
    for (const std::string& raw : textLines(text, fileName)) {
        ++sr.r.line;
        std::string s = stripComment(raw);
        std::vector<std::string> w = words(s);
        if (w.empty()) continue;
        if (std::isdigit(static_cast<unsigned char>(w[0][0])))
            parseRow(sr, s);
        else
            parseSongStatement(sr, w);
    }
    checkSong(sr);
    return sr.song;
}

double InstrumentText::param(const std::string& key, double fallback) const {
    for (const auto& kv : params)
        if (kv.first == key) return kv.second;
    return fallback;
}

namespace {

// Every synth setting, the kinds that take it and the range that keeps the synthesis
// finite and inside its buffers.
struct SynthSetting {
    const char* kinds;  // space-separated
    const char* name;
    double lo, hi;
    const char* unit;
};

const SynthSetting SYNTH_SETTINGS[] = {
    {"pluck strum", "bright", 0, 1, ""},
    {"pluck strum", "pick", 0, 0.5, ""},
    {"pluck strum", "damp", 0, 1, ""},
    {"pluck strum", "decay", 0, 1, ""},
    {"strum", "minor", 0, 1, ""},
    {"strum", "spread", 0, 65536, " points"},
    {"whistle", "h2", 0, 1, ""},
    {"whistle", "h3", 0, 1, ""},
    {"whistle", "breath", 0, 1, ""},
    {"whistle", "band", 0, 0.3, ""},
    {"whistle", "swell", 0, 65536, " points"},
    {"kick", "f0", 1, 22050, " Hz"},
    {"kick", "f1", 1, 22050, " Hz"},
    {"kick", "fall", 0.0001, 10, " s"},
    {"kick", "decay", 0.0001, 10, " s"},
    {"kick", "click", 0, 1, ""},
    {"snare", "tone", 1, 22050, " Hz"},
    {"snare", "tonedecay", 0.0001, 10, " s"},
    {"snare", "noise", 0, 1, ""},
    {"snare", "noisedecay", 0.0001, 10, " s"},
    {"snare", "lowpass", 0, 1, ""},
    {"hat", "decay", 0.0001, 10, " s"},
};

const char* const SYNTH_KINDS[] = {"pluck", "strum", "whistle", "kick", "snare", "hat"};

bool takes(const SynthSetting& s, const std::string& kind) {
    std::istringstream in(s.kinds);
    std::string k;
    while (in >> k)
        if (k == kind) return true;
    return false;
}

std::string number(double v) {
    std::ostringstream out;
    out << v;
    return out.str();
}

std::string settingNames(const std::string& kind) {
    std::string names;
    for (const SynthSetting& s : SYNTH_SETTINGS)
        if (takes(s, kind)) names += (names.empty() ? "" : ", ") + std::string(s.name);
    return names;
}

void parseSynthSetting(const Reader& r, const std::string& word, InstrumentText& ins) {
    size_t eq = word.find('=');
    if (eq == std::string::npos || eq == 0) r.fail("synth settings are 'name=value', not " + quoted(word));
    std::string name = word.substr(0, eq);
    const SynthSetting* setting = nullptr;
    for (const SynthSetting& s : SYNTH_SETTINGS)
        if (name == s.name && takes(s, ins.synth)) setting = &s;
    if (!setting)
        r.fail("synth " + ins.synth + " has no setting " + quoted(name) + " (" + settingNames(ins.synth) + ")");
    for (const auto& kv : ins.params)
        if (kv.first == name) r.fail("synth setting " + quoted(name) + " given twice");
    double v = toReal(r, word.substr(eq + 1), name);
    if (v < setting->lo || v > setting->hi)
        r.fail(name + " " + quoted(word.substr(eq + 1)) + " is outside " + number(setting->lo) + ".." +
               number(setting->hi));
    ins.params.push_back({name, v});
}

void parseSynth(const Reader& r, const std::vector<std::string>& w, InstrumentText& ins) {
    if (w.size() < 2) r.fail("'synth' needs a kind");
    bool known = false;
    for (const char* k : SYNTH_KINDS) known = known || w[1] == k;
    if (!known) r.fail("unknown synth " + quoted(w[1]) + " (pluck, strum, whistle, kick, snare, hat)");
    if (!ins.synth.empty()) r.fail("a second 'synth' line");
    ins.synth = w[1];
    for (size_t i = 2; i < w.size(); ++i) parseSynthSetting(r, w[i], ins);
}

EnvelopeText parseEnvelope(const Reader& r, const std::vector<std::string>& w, int maxValue) {
    EnvelopeText env;
    if (w.size() == 2 && w[1] == "off") return env;
    size_t i = 1;
    for (; i < w.size(); ++i) {
        const std::string& t = w[i];
        size_t colon = t.find(':');
        if (colon == std::string::npos) break;
        if (env.points.size() == 12) r.fail("an envelope has at most 12 points");
        EnvPointText p;
        p.tick = static_cast<int>(toInt(r, t.substr(0, colon), 0, 32767, "envelope tick"));
        p.value = static_cast<int>(toInt(r, t.substr(colon + 1), 0, maxValue, "envelope value"));
        if (!env.points.empty() && p.tick <= env.points.back().tick) r.fail("envelope ticks must increase");
        if (env.points.empty() && p.tick != 0) r.fail("an envelope starts at tick 0");
        env.points.push_back(p);
    }
    if (env.points.empty()) r.fail("an envelope needs points 'tick:value' (or 'off')");
    for (; i < w.size(); ++i) {
        int last = static_cast<int>(env.points.size()) - 1;
        if (w[i] == "sustain" && i + 1 < w.size()) {
            env.sustain = static_cast<int>(toInt(r, w[++i], 0, last, "sustain point"));
        } else if (w[i] == "loop" && i + 2 < w.size()) {
            env.loopStart = static_cast<int>(toInt(r, w[++i], 0, last, "loop start"));
            env.loopEnd = static_cast<int>(toInt(r, w[++i], env.loopStart, last, "loop end"));
        } else {
            r.fail("after the points: 'sustain P' or 'loop A B', not " + quoted(w[i]));
        }
    }
    return env;
}

void parseRate(const Reader& r, const std::vector<std::string>& w, InstrumentText& ins) {
    if (w.size() != 4 || w[2] != "at") r.fail("expected 'rate HZ at NOTE'");
    ins.rate = toReal(r, w[1], "rate");
    ins.rateNote = noteFromName(w[3]);
    if (ins.rate < 1000 || ins.rate > 2000000) r.fail("rate must be 1000..2000000 Hz");
    if (ins.rateNote < 1 || ins.rateNote > 96) r.fail("bad note " + quoted(w[3]));
}

void parseVibrato(const Reader& r, const std::vector<std::string>& w, InstrumentText& ins) {
    if (w.size() != 8 || w[1] != "sine" || w[2] != "depth" || w[4] != "rate" || w[6] != "sweep")
        r.fail("expected 'vibrato sine depth D rate R sweep S'");
    ins.vibDepth = static_cast<int>(toInt(r, w[3], 0, 31, "depth"));
    ins.vibRate = static_cast<int>(toInt(r, w[5], 0, 255, "rate"));
    ins.vibSweep = static_cast<int>(toInt(r, w[7], 0, 127, "sweep"));
}

// One "key values..." line inside an instrument block.
void parseInstrumentSetting(const Reader& r, const std::vector<std::string>& w, InstrumentText& ins) {
    const std::string& key = w[0];
    auto one = [&](long lo, long hi) {
        if (w.size() != 2) r.fail(quoted(key) + " takes one value");
        return static_cast<int>(toInt(r, w[1], lo, hi, key));
    };
    if (key == "synth") {
        parseSynth(r, w, ins);
    } else if (key == "points") {
        ins.points = one(16, 65536);
    } else if (key == "cycle") {
        ins.cycle = one(2, 4096);
    } else if (key == "loop") {
        ins.loopCycles = one(1, 256);
    } else if (key == "peak") {
        if (w.size() != 2) r.fail("'peak' takes one value");
        ins.peak = toReal(r, w[1], "peak");
        if (ins.peak <= 0 || ins.peak > 1) r.fail("peak must be in (0, 1]");
    } else if (key == "seed") {
        ins.seed = one(1, 1 << 30);
    } else if (key == "transpose") {
        ins.hasTranspose = true;
        ins.transpose = one(-96, 96);
    } else if (key == "rate") {
        parseRate(r, w, ins);
    } else if (key == "volume") {
        ins.volume = one(0, 64);
    } else if (key == "panning") {
        ins.panning = one(0, 255);
    } else if (key == "fadeout") {
        ins.fadeOut = one(0, 65535);
    } else if (key == "vibrato") {
        parseVibrato(r, w, ins);
    } else if (key == "volenv" || key == "panenv") {
        (key == "volenv" ? ins.volEnv : ins.panEnv) = parseEnvelope(r, w, 64);
    } else {
        r.fail("unknown setting " + quoted(key));
    }
}

InstrumentText openInstrument(const Reader& r, const std::vector<std::string>& w, size_t count) {
    if (w.size() != 3) r.fail("expected 'instrument N name'");
    InstrumentText ins;
    ins.number = static_cast<int>(toInt(r, w[1], 1, 128, "instrument"));
    if (ins.number != static_cast<int>(count) + 1)
        r.fail("instruments must be numbered 1, 2, 3, ... in order; expected " + std::to_string(count + 1));
    ins.name = w[2];
    ins.file = r.file;
    ins.line = r.line;
    return ins;
}

void checkInstruments(Reader& r, const std::vector<InstrumentText>& out) {
    for (const InstrumentText& ins : out) {
        r.line = ins.line;
        if (ins.synth.empty()) r.fail("instrument " + std::to_string(ins.number) + " has no 'synth' line");
        if (ins.points == 0) r.fail("instrument " + std::to_string(ins.number) + " has no 'points' line");
        bool pitched = ins.synth == "pluck" || ins.synth == "strum" || ins.synth == "whistle";
        if (pitched && (ins.cycle == 0 || !ins.hasTranspose || ins.loopCycles == 0))
            r.fail("a pitched instrument needs 'cycle', 'loop' and 'transpose'");
        if (!pitched && ins.rate == 0) r.fail("a drum needs 'rate HZ at NOTE'");
        // The compiler tunes whatever has a transpose as a pitched instrument.
        if (!pitched && ins.hasTranspose) r.fail("a drum takes 'rate HZ at NOTE', not 'transpose'");
    }
    if (out.empty()) throw TextError(r.file + ": no instruments");
}

}  // namespace

std::vector<InstrumentText> parseInstruments(const std::string& text, const std::string& fileName) {
    std::vector<InstrumentText> out;
    Reader r{fileName, 0};
    for (const std::string& raw : textLines(text, fileName)) {
        ++r.line;
        std::vector<std::string> w = words(stripComment(raw));
        if (w.empty()) continue;
        if (w[0] == "instrument") {
            out.push_back(openInstrument(r, w, out.size()));
            continue;
        }
        if (out.empty()) r.fail(quoted(w[0]) + " before any 'instrument' line");
        parseInstrumentSetting(r, w, out.back());
    }
    checkInstruments(r, out);
    return out;
}

std::string describeSynthSettings() {
    std::string text;
    for (const char* kind : SYNTH_KINDS) {
        text += std::string("  ") + kind + ":";
        for (const SynthSetting& s : SYNTH_SETTINGS)
            if (takes(s, kind))
                text += std::string(" ") + s.name + " " + number(s.lo) + ".." + number(s.hi) + s.unit + ",";
        text.back() = '\n';
    }
    return text;
}

}  // namespace music
