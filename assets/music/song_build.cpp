// song_build.cpp — song and instruments to module: cells, envelopes, tuning, layout.
#include "assets/music/song_build.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "assets/music/synth.h"
#include "player/module_layout.h"

namespace music {

namespace {

// The player's pitch function: 6848 × 2^(−x/3072) from four 16-entry tables.
uint32_t pitchExp(int16_t x) {
    static const uint32_t top[16] = {11131415, 4417505, 1753088, 695713, 276094, 109568, 43482, 17256,
                                     6848,     2718,    1078,    428,    170,    67,     27,    11};
    static const uint16_t semi[16] = {32768, 30929, 29193, 27554, 26008, 24548, 23170, 21870,
                                      20643, 19484, 18390, 17358, 16384, 15464, 14596, 13777};
    static const uint16_t sixteenth[16] = {32768, 32650, 32532, 32415, 32298, 32182, 32066, 31950,
                                           31835, 31720, 31606, 31492, 31379, 31266, 31153, 31041};
    static const uint16_t fine[16] = {32768, 32761, 32753, 32746, 32738, 32731, 32724, 32716,
                                      32709, 32702, 32694, 32687, 32679, 32672, 32665, 32657};
    uint32_t u = static_cast<uint32_t>(x + 32768);
    uint64_t r = top[(u >> 12) & 15];
    r = static_cast<uint32_t>((r * semi[(u >> 8) & 15]) >> 15);
    r = static_cast<uint32_t>((r * sixteenth[(u >> 4) & 15]) >> 15);
    r = static_cast<uint32_t>((r * fine[u & 15]) >> 15);
    return static_cast<uint32_t>(r);
}

int32_t notePeriod(int note, int relativePitch) {
    uint16_t v = static_cast<uint16_t>((note - 1) * 256 + relativePitch);
    return static_cast<int16_t>(static_cast<uint16_t>(12288 - v));
}

[[noreturn]] void fail(const InstrumentText& ins, const std::string& what) {
    throw TextError(ins.file + ":" + std::to_string(ins.line) + ": instrument " + std::to_string(ins.number) + " (" +
                    ins.name + "): " + what);
}

// Step wanted for a written note: equal temperament, written C-5 = concert C5.
double wantedStep(const InstrumentText& ins, int note) {
    if (!ins.hasTranspose) return ins.rate * std::pow(2.0, (note - ins.rateNote) / 12.0) * 1024.0 / 44100.0;
    double hz = 440.0 * std::pow(2.0, (note + 11 + ins.transpose - 69) / 12.0);
    return hz * ins.cycle * 1024.0 / 44100.0;
}

// The relative pitch that keeps the worst note of `notes` closest to its wanted step.
int tune(const InstrumentText& ins, const std::set<int>& notes, double* worstCents) {
    int ref = *notes.begin();
    double nominal = 6848.0 * 14.0 / 494.0 * std::pow(2.0, (ref - 49) / 12.0);
    long guess = std::lround(3072.0 * std::log2(wantedStep(ins, ref) / nominal));
    int best = 0;
    double bestErr = 1e9;
    for (long r = guess - 96; r <= guess + 96; ++r) {
        if (r < -32768 || r > 32767) continue;
        double worst = 0;
        for (int n : notes) {
            uint32_t step = noteStep(n, static_cast<int>(r));
            double err = step == 0 ? 1e9 : std::fabs(1200.0 * std::log2(step / wantedStep(ins, n)));
            worst = std::max(worst, err);
        }
        if (worst < bestErr) {
            bestErr = worst;
            best = static_cast<int>(r);
        }
    }
    if (bestErr > 50)
        fail(ins, "cannot be tuned: a note's step is out of the player's range (change cycle or transpose)");
    *worstCents = bestErr;
    return best;
}

mxmb::Envelope envelope(const EnvelopeText& e) {
    mxmb::Envelope out;
    for (size_t i = 0; i < e.points.size(); ++i) {
        mxmb::EnvPoint p;
        p.length = i + 1 < e.points.size() ? static_cast<uint16_t>(e.points[i + 1].tick - e.points[i].tick) : 0;
        p.value = static_cast<uint8_t>(e.points[i].value);
        out.points.push_back(p);
    }
    out.sustain = e.sustain < 0 ? 255 : static_cast<uint8_t>(e.sustain);
    out.loopStart = e.loopStart < 0 ? 0 : static_cast<uint8_t>(e.loopStart);
    out.loopEnd = e.loopEnd < 0 ? 255 : static_cast<uint8_t>(e.loopEnd);
    return out;
}

// The song's globals; patterns and instruments are added after.
mxmb::Module moduleHead(const SongText& song) {
    mxmb::Module m;
    m.channelCount = static_cast<uint32_t>(song.channels);
    m.restartOrder = static_cast<uint32_t>(song.restart);
    m.initialSpeed = static_cast<uint8_t>(song.speed);
    m.initialTempo = static_cast<uint8_t>(song.tempo);
    m.linearPeriods = true;
    m.deltaSamples = true;
    m.minPeriod = MIN_PERIOD;
    m.maxPeriod = MAX_PERIOD;
    m.minSampleDataOffset = SAMPLE_DATA_OFFSET;
    for (int o : song.orders) m.orders.push_back(static_cast<uint8_t>(o));
    return m;
}

void checkInstrumentNumbers(const SongText& song, size_t instrumentCount) {
    for (const PatternText& p : song.patterns)
        for (const auto& row : p.rows)
            for (const CellText& c : row)
                if (c.instrument > instrumentCount)
                    throw TextError(song.file + ":" + std::to_string(c.line) + ": instrument " +
                                    std::to_string(c.instrument) + " is not defined");
}

// Which notes each instrument plays (a note without an instrument number plays the
// channel's last one, following the order list).
std::vector<std::set<int>> notesPlayed(const SongText& song, size_t instrumentCount) {
    std::vector<std::set<int>> used(instrumentCount);
    std::vector<int> channelInstrument(song.channels, 0);
    for (int o : song.orders) {
        for (const auto& row : song.patterns[o].rows) {
            for (const CellText& c : row) {
                if (c.instrument) channelInstrument[c.channel] = c.instrument;
                int ins = channelInstrument[c.channel];
                if (c.hasNote && c.note != mxm::NOTE_KEY_OFF && ins) used[ins - 1].insert(c.note);
            }
        }
    }
    return used;
}

mxmb::Pattern pattern(const PatternText& p) {
    mxmb::Pattern out = mxmb::Pattern::empty(p.rowCount);
    for (int r = 0; r < p.rowCount; ++r) {
        for (const CellText& c : p.rows[r]) {
            mxmb::Cell cell;
            cell.channel = static_cast<uint8_t>(c.channel);
            cell.hasNote = c.hasNote;
            cell.note = c.note;
            cell.instrument = c.instrument;
            cell.hasVolume = c.hasVolume;
            cell.volume = c.volume;
            cell.hasEffect = c.hasEffect;
            cell.effect = c.effect;
            cell.param = c.param;
            out.rows[r].push_back(cell);
        }
    }
    return out;
}

// The synthesised sample of instrument `index`, tuned for the notes it plays.
mxmb::Sample tunedSample(const InstrumentText& t, size_t index, const std::set<int>& played, std::string* report) {
    SampleData data = synthesise(t);
    mxmb::Sample s =
        data.looped ? mxmb::Sample::looped8(data.points, data.loopStart) : mxmb::Sample::oneShot8(data.points);
    s.volume = static_cast<uint8_t>(t.volume);
    s.panning = static_cast<uint8_t>(t.panning);
    s.sampleNumber = static_cast<int>(index);
    std::set<int> notes = played;
    if (notes.empty()) notes.insert(t.hasTranspose ? 61 : t.rateNote);
    double cents = 0;
    s.relativePitch = static_cast<int16_t>(tune(t, notes, &cents));
    for (int n : notes) {
        int32_t p = notePeriod(n, s.relativePitch);
        if (p < MIN_PERIOD || p > MAX_PERIOD)
            fail(t, "note " + noteName(n) + " has a period outside the player's bounds (change cycle or transpose)");
    }
    if (report) {
        char line[200];
        std::snprintf(line, sizeof line,
                      "instrument %zu %-8s %5zu points, relative pitch %6d, notes %s..%s, worst %.1f cents\n",
                      index + 1, t.name.c_str(), data.points.size(), s.relativePitch, noteName(*notes.begin()).c_str(),
                      noteName(*notes.rbegin()).c_str(), cents);
        *report += line;
    }
    return s;
}

mxmb::Instrument instrument(const InstrumentText& t, size_t index, const std::set<int>& played, std::string* report) {
    mxmb::Instrument ins;
    ins.samples.push_back(tunedSample(t, index, played, report));
    ins.fadeOut = static_cast<uint16_t>(t.fadeOut);
    ins.autoVibType = 0;
    ins.autoVibSweep = static_cast<uint8_t>(t.vibSweep);
    ins.autoVibDepth = static_cast<uint8_t>(t.vibDepth);
    ins.autoVibRate = static_cast<uint8_t>(t.vibRate);
    ins.volEnv = envelope(t.volEnv);
    ins.panEnv = envelope(t.panEnv);
    return ins;
}

}  // namespace

uint32_t noteStep(int note, int relativePitch) {
    uint32_t step = static_cast<uint32_t>(
        (static_cast<uint64_t>(pitchExp(static_cast<int16_t>(notePeriod(note, relativePitch)))) * 14) / 494);
    return step & 0xFFFE;
}

std::vector<std::string> lintSong(const SongText& song, const std::string& fileName) {
    // Per channel: pitch in 1/256 semitone (unknown until a note), the glide's target and speeds.
    struct Channel {
        bool known = false;
        int pitch = 0, target = 0, portaSpeed = 0, upSpeed = 0;
        int glideLine = 0;
    };
    std::vector<Channel> ch(song.channels);
    std::vector<std::string> out;
    int laterTicks = song.speed - 1;
    for (int o : song.orders) {
        const PatternText& p = song.patterns[o];
        for (int r = 0; r < p.rowCount; ++r) {
            std::vector<const CellText*> cell(song.channels, nullptr);
            for (const CellText& c : p.rows[r]) cell[c.channel] = &c;
            for (int k = 0; k < song.channels; ++k) {
                Channel& s = ch[k];
                const CellText* c = cell[k];
                bool porta = c && c->hasEffect && c->effect == 3;
                if (c && c->hasNote && c->note <= 96) {
                    if (porta) {
                        if (s.target != c->note * 256 || s.pitch == s.target) s.glideLine = c->line;  // a new glide
                        s.target = c->note * 256;
                    } else {
                        s.known = true;
                        s.pitch = s.target = c->note * 256;
                    }
                }
                if (porta && c->param) s.portaSpeed = c->param * 16;
                if (c && c->hasEffect && c->effect == 1) {
                    if (c->param) s.upSpeed = c->param * 16;
                    s.pitch += s.upSpeed * laterTicks;
                }
                if (!porta || !s.known) continue;
                int move = s.portaSpeed * laterTicks;
                s.pitch = s.pitch < s.target ? std::min(s.target, s.pitch + move) : std::max(s.target, s.pitch - move);
                const CellText* next = nullptr;
                if (r + 1 < p.rowCount)
                    for (const CellText& n : p.rows[r + 1])
                        if (n.channel == k) next = &n;
                bool continues = next && next->hasEffect && next->effect == 3;
                if (s.pitch != s.target && !continues) {
                    char msg[160];
                    std::snprintf(msg, sizeof msg, "%s:%d: channel %d: the glide to %s stops %.2f semitones short",
                                  fileName.c_str(), s.glideLine, k, noteName(s.target / 256).c_str(),
                                  std::abs(s.target - s.pitch) / 256.0);
                    out.push_back(msg);
                    s.pitch = s.target;  // report each glide once
                }
            }
        }
    }
    return out;
}

mxmb::Module buildModule(const SongText& song, const std::vector<InstrumentText>& instruments, std::string* report) {
    checkInstrumentNumbers(song, instruments.size());
    mxmb::Module m = moduleHead(song);
    for (const PatternText& p : song.patterns) m.patterns.push_back(pattern(p));
    std::vector<std::set<int>> used = notesPlayed(song, instruments.size());
    for (size_t i = 0; i < instruments.size(); ++i)
        m.instruments.push_back(instrument(instruments[i], i, used[i], report));
    return m;
}

std::vector<uint8_t> compileSong(const SongText& song, const std::vector<InstrumentText>& instruments,
                                 std::string* report) {
    mxmb::Module m = buildModule(song, instruments, report);
    uint32_t points = 0;
    for (const mxmb::Instrument& ins : m.instruments)
        for (const mxmb::Sample& s : ins.samples) points += static_cast<uint32_t>(s.points.size());
    if (points != SAMPLE_BLOCK_BYTES)
        throw TextError(instruments.front().file + ": the samples hold " +
                        std::to_string(points - m.instruments.size()) + " points; they must hold " +
                        std::to_string(SAMPLE_BLOCK_BYTES - m.instruments.size()) + " (change by " +
                        std::to_string(static_cast<long>(SAMPLE_BLOCK_BYTES) - static_cast<long>(points)) + ")");
    std::vector<uint8_t> bytes;
    try {
        bytes = mxmb::build(m);
    } catch (const std::invalid_argument& e) {
        throw TextError(song.file + ": " + e.what());
    }
    // Each instrument has one sample record, and the patterns follow the instruments.
    uint32_t patternsAt = mxm::HEADER_BYTES + mxm::instrumentBytes(1) * static_cast<uint32_t>(m.instruments.size());
    uint32_t sampleAt = mxm::read32(bytes.data() + mxm::HDR_SAMPLE_DATA);
    if (sampleAt != SAMPLE_DATA_OFFSET) {
        throw TextError(song.file + ": the patterns take " + std::to_string(sampleAt - patternsAt) + " bytes; only " +
                        std::to_string(SAMPLE_DATA_OFFSET - patternsAt) + " fit");
    }
    if (bytes.size() != MODULE_BYTES)
        throw TextError(song.file + ": the module is " + std::to_string(bytes.size()) + " bytes, not " +
                        std::to_string(MODULE_BYTES));
    if (report) {
        uint32_t used = 0;
        for (const mxmb::Pattern& p : m.patterns) used += mxmb::packedBytes(p);
        *report +=
            "patterns " + std::to_string(used) + " of " + std::to_string(SAMPLE_DATA_OFFSET - patternsAt) + " bytes\n";
    }
    return bytes;
}

}  // namespace music
