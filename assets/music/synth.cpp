// synth.cpp — sample synthesis for the game's instruments. Double precision inside,
// quantised to signed 8-bit at the end.
#include "assets/music/synth.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace music {

namespace {

constexpr double PI = 3.14159265358979323846;

// Small deterministic noise source (64-bit LCG, top bits), uniform in [-1, 1).
struct Noise {
    uint64_t s;
    explicit Noise(int seed) : s(0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(seed) * 0x100000001B3ull) {}
    double next() {
        s = s * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(s >> 11) / static_cast<double>(1ull << 52) - 1.0;
    }
};

[[noreturn]] void fail(const InstrumentText& ins, const std::string& what) {
    throw TextError(ins.file + ":" + std::to_string(ins.line) + ": instrument " + std::to_string(ins.number) + " (" +
                    ins.name + "): " + what);
}

// One plucked string of period `period` points: `length` values, evolving by the
// averaging delay line until `freezeAt`, and from there repeating its last period
// unchanged so that any whole number of periods after it loops without a seam.
std::vector<double> pluckString(Noise& noise, int period, int length, int freezeAt, double bright, double pick,
                                double damp, double decay) {
    std::vector<double> init(period);
    for (double& v : init) v = noise.next();
    // Darker strings: smooth the excitation (circularly, it is one period).
    int passes = static_cast<int>(std::lround((1.0 - bright) * 6.0));
    for (int p = 0; p < passes; ++p) {
        std::vector<double> t(init);
        for (int k = 0; k < period; ++k)
            init[k] = 0.25 * t[(k + period - 1) % period] + 0.5 * t[k] + 0.25 * t[(k + 1) % period];
    }
    // Picking position: a comb that removes the harmonics with a node there.
    int pickAt = static_cast<int>(std::lround(pick * period));
    if (pickAt > 0) {
        std::vector<double> t(init);
        for (int k = 0; k < period; ++k) init[k] = t[k] - t[(k + pickAt) % period];
    }
    double mean = 0;
    for (double v : init) mean += v;
    mean /= period;
    std::vector<double> y(std::max(length, 0));
    for (int n = 0; n < length; ++n) {
        if (n < period) {
            y[n] = init[n] - mean;
        } else if (n >= freezeAt) {
            y[n] = y[n - period];
        } else {
            // Symmetric three-tap average around the point one period back: exact period.
            double before = n - period - 1 >= 0 ? y[n - period - 1] : y[n - 1];
            y[n] = decay * ((1.0 - damp) * y[n - period] + damp * 0.5 * (before + y[n - period + 1]));
        }
    }
    return y;
}

std::vector<double> pluck(const InstrumentText& ins, int freezeAt) {
    Noise noise(ins.seed);
    return pluckString(noise, ins.cycle, ins.points, freezeAt, ins.param("bright", 0.7), ins.param("pick", 0.0),
                       ins.param("damp", 0.5), ins.param("decay", 0.995));
}

// A chord of four strings in just intonation: root, fifth, octave and the third
// (major 5/4 or minor 6/5), each a whole divisor of the loop, struck low to high.
std::vector<double> strum(const InstrumentText& ins, int freezeAt) {
    Noise noise(ins.seed);
    bool minor = ins.param("minor", 0) != 0;
    int root = ins.cycle;
    int loop = ins.cycle * ins.loopCycles;
    // Periods as fractions of the root's: fifth 2/3, third 4/5 (major) or 5/6 (minor), octave 1/2.
    const int num[4] = {1, minor ? 5 : 4, 2, 1};
    const int den[4] = {1, minor ? 6 : 5, 3, 2};
    const double gain[4] = {1.0, 0.75, 0.8, 0.65};
    int delay = static_cast<int>(std::lround(ins.param("spread", 0.0)));
    std::vector<double> out(ins.points, 0.0);
    for (int s = 0; s < 4; ++s) {
        if ((root * num[s]) % den[s] != 0)
            fail(ins, "cycle " + std::to_string(root) + " does not divide into the chord's periods");
        int period = root * num[s] / den[s];
        if (loop % period != 0) fail(ins, "the loop is not a whole number of periods of every string");
        int start = s * delay;
        if (start >= freezeAt) fail(ins, "spread too wide: a string starts inside the loop");
        std::vector<double> y =
            pluckString(noise, period, ins.points - start, freezeAt - start, ins.param("bright", 0.6),
                        ins.param("pick", 0.0), ins.param("damp", 0.5), ins.param("decay", 0.997));
        for (int n = start; n < ins.points; ++n) out[n] += gain[s] * y[n - start];
    }
    return out;
}

// A whistle: sine with a touch of second and third harmonic, swelling in, over a
// breath of noise through a resonator at the whistle's pitch that dies before the loop.
std::vector<double> whistle(const InstrumentText& ins, int freezeAt) {
    Noise noise(ins.seed);
    double h2 = ins.param("h2", 0.06), h3 = ins.param("h3", 0.02), breath = ins.param("breath", 0.5);
    int swell = static_cast<int>(ins.param("swell", freezeAt * 0.6));
    double w = 2 * PI / ins.cycle;
    // Two-pole resonator, bandwidth a few percent of the pitch.
    double rad = 1.0 - ins.param("band", 0.03) * w;
    double a1 = 2 * rad * std::cos(w), a2 = -rad * rad;
    double z1 = 0, z2 = 0;
    std::vector<double> y(ins.points);
    for (int n = 0; n < ins.points; ++n) {
        double phase = w * (n % ins.cycle);
        double tone = std::sin(phase) + h2 * std::sin(2 * phase) + h3 * std::sin(3 * phase);
        double amp = n >= swell ? 1.0 : 0.5 - 0.5 * std::cos(PI * n / swell);
        double r = a1 * z1 + a2 * z2 + noise.next() * (1 - rad) * 4;
        z2 = z1;
        z1 = r;
        double fade = n >= freezeAt ? 0.0 : std::pow(1.0 - static_cast<double>(n) / freezeAt, 2.0);
        y[n] = amp * tone + breath * fade * r;
    }
    return y;
}

// Kick: a sine falling exponentially from f0 to f1 Hz, with a short click of noise.
std::vector<double> kick(const InstrumentText& ins) {
    Noise noise(ins.seed);
    double f0 = ins.param("f0", 160), f1 = ins.param("f1", 48), fall = ins.param("fall", 0.03);
    double decay = ins.param("decay", 0.12), click = ins.param("click", 0.3);
    std::vector<double> y(ins.points);
    double phase = 0;
    for (int n = 0; n < ins.points; ++n) {
        double t = n / ins.rate;
        double f = f1 + (f0 - f1) * std::exp(-t / fall);
        phase += 2 * PI * f / ins.rate;
        double env = std::exp(-t / decay);
        double tail = std::min(1.0, (ins.points - n) / (0.1 * ins.points));  // end on silence
        y[n] = tail * (env * std::sin(phase) + click * std::exp(-t / 0.003) * noise.next());
    }
    return y;
}

// Snare: a short drum tone plus noise with a gentle low-pass, each with its own decay.
std::vector<double> snare(const InstrumentText& ins) {
    Noise noise(ins.seed);
    double f = ins.param("tone", 190), toneDecay = ins.param("tonedecay", 0.04);
    double noiseDecay = ins.param("noisedecay", 0.07), mix = ins.param("noise", 0.7), lp = ins.param("lowpass", 0.5);
    std::vector<double> y(ins.points);
    double smooth = 0;
    for (int n = 0; n < ins.points; ++n) {
        double t = n / ins.rate;
        smooth += (1.0 - lp) * (noise.next() - smooth);
        double tail = std::min(1.0, (ins.points - n) / (0.1 * ins.points));
        y[n] = tail * ((1 - mix) * std::exp(-t / toneDecay) * std::sin(2 * PI * f * t) +
                       mix * std::exp(-t / noiseDecay) * smooth);
    }
    return y;
}

// Hi-hat: noise, high-passed twice, with a fast decay.
std::vector<double> hat(const InstrumentText& ins) {
    Noise noise(ins.seed);
    double decay = ins.param("decay", 0.02);
    std::vector<double> y(ins.points);
    double p1 = 0, p2 = 0;
    for (int n = 0; n < ins.points; ++n) {
        double t = n / ins.rate;
        double x = noise.next();
        double d1 = x - p1;
        p1 = x;
        double d2 = d1 - p2;
        p2 = d1;
        double tail = std::min(1.0, (ins.points - n) / (0.1 * ins.points));
        y[n] = tail * std::exp(-t / decay) * d2;
    }
    return y;
}

}  // namespace

SampleData synthesise(const InstrumentText& ins) {
    SampleData out;
    std::vector<double> y;
    int freezeAt = 0;
    bool pitched = ins.synth == "pluck" || ins.synth == "strum" || ins.synth == "whistle";
    if (pitched) {
        int loop = ins.cycle * ins.loopCycles;
        freezeAt = ins.points - loop;
        if (freezeAt < ins.cycle) fail(ins, "points must exceed the loop by at least one cycle");
        out.looped = true;
        out.loopStart = static_cast<uint32_t>(freezeAt);
    }
    if (ins.synth == "pluck")
        y = pluck(ins, freezeAt);
    else if (ins.synth == "strum")
        y = strum(ins, freezeAt);
    else if (ins.synth == "whistle")
        y = whistle(ins, freezeAt);
    else if (ins.synth == "kick")
        y = kick(ins);
    else if (ins.synth == "snare")
        y = snare(ins);
    else
        y = hat(ins);

    // The parser's ranges keep every kind finite; this is the last guard before the
    // values are scaled and rounded to integers.
    double peak = 0;
    for (double v : y) {
        if (!std::isfinite(v)) fail(ins, "the synthesis diverged (check the synth settings)");
        peak = std::max(peak, std::fabs(v));
    }
    double scale = peak > 0 ? ins.peak * 127.0 / peak : 0.0;
    out.points.resize(y.size());
    for (size_t i = 0; i < y.size(); ++i)
        out.points[i] = static_cast<int32_t>(std::clamp(std::lround(y[i] * scale), -128L, 127L));
    return out;
}

}  // namespace music
