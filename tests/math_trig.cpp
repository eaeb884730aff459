// Our sine and cosine: within one ulp of the true value, and the same bits everywhere.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "math/trig.h"
#include "ulps.h"

namespace {

uint64_t bitsOf(double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return bits;
}

}  // namespace

// The table test: our results for a few thousand hard inputs (random floats among them),
// computed on Linux, where they are held to glibc's within one ulp, and checked in as bit patterns. Every build must give the
// same bits; on Windows, whose C library is no reference, this is the check of ours.
// Regenerate after a deliberate change of trig.cpp, on Linux:
//   SKARVO_WRITE_TRIG_TABLE=1 build/tests/math_tests --gtest_filter=Trig.SameBits*
namespace {

const std::string TABLE_PATH = std::string(SKARVO_TEST_DATA) + "/trig_table.txt";

#ifndef _WIN32
// Integers: the ends, the numerators of the convergents of π/2 and of π (the integers
// nearest a multiple of π/2 for their size) with their neighbours, the integers nearest
// the first multiples of π/2, and random ones.
std::vector<int32_t> tableIntegers() {
    std::vector<int32_t> v = {0, 1, -1, 2, INT_MAX, INT_MAX - 1, INT_MIN, INT_MIN + 1};
    const int32_t convergents[] = {3,        11,        22,        333,       344,       355,       51819,
                                   52174,    103993,    104348,    208341,    260515,    312689,    573204,
                                   833719,   1146408,   4272943,   4846147,   5419351,   37362253,  42781604,
                                   80143857, 122925461, 165707065, 245850922, 411557987, 534483448, 1068966896};
    for (int32_t p : convergents)
        for (int32_t d : {-1, 0, 1}) v.insert(v.end(), {p + d, -(p + d)});
    for (int k = 1; k <= 150; ++k) v.push_back(static_cast<int32_t>(std::lround(k * 1.5707963267948966)));
    std::mt19937 rng(7);
    for (int i = 0; i < 400; ++i) v.push_back(static_cast<int32_t>(rng()));
    return v;
}

// Floats: special values, either side of π/4, the floats nearest multiples of π/2 (the
// first 200, then spread up to the largest) with their neighbours, random bit patterns,
// and angles of a long game's range.
std::vector<float> tableFloats() {
    std::vector<float> v = {0.0f,           -0.0f,          0x1p-149f,       -0x1p-149f, FLT_MIN,
                            FLT_MAX,        -FLT_MAX,       INFINITY,        -INFINITY,  std::nanf(""),
                            0x1.921fb4p-1f, 0x1.921fb6p-1f, -0x1.921fb6p-1f, 0x1p-30f,   0x1.8p-13f};
    const long double PIO2 = 1.570796326794896619231321691639751442L;
    auto nearMultiple = [&](long double k) {
        const float x = static_cast<float>(k * PIO2);
        v.insert(v.end(), {std::nextafter(x, -INFINITY), x, std::nextafter(x, INFINITY), -x});
    };
    for (int k = 1; k <= 200; ++k) nearMultiple(k);
    for (int e = 8; e < 127; ++e) nearMultiple(std::ldexp(1.0L + (e % 7) / 8.0L, e));
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> clockRange(-60000.0f, 60000.0f);
    while (v.size() < 1700) {
        uint32_t bits = static_cast<uint32_t>(rng());
        float x;
        std::memcpy(&x, &bits, sizeof x);
        if (std::isfinite(x)) v.push_back(x);
        v.push_back(clockRange(rng));
    }
    return v;
}

// Writes the table from our functions (run on Linux only).
bool writeTable() {
    FILE* out = std::fopen(TABLE_PATH.c_str(), "w");
    if (!out) return false;
    std::fputs("# math::sinInt/cosInt (i: a decimal int32) and sinFloat/cosFloat (f: the float as a double's\n"
               "# bits) as computed on Linux: kind input sin cos, results as a double's bits in hex.\n",
               out);
    auto row = [&](char kind, unsigned long long input, double s, double c) {
        std::fprintf(out, "%c %llx %016llx %016llx\n", kind, input, static_cast<unsigned long long>(bitsOf(s)),
                     static_cast<unsigned long long>(bitsOf(c)));
    };
    for (int32_t a : tableIntegers()) row('i', static_cast<uint32_t>(a), math::sinInt(a), math::cosInt(a));
    for (float x : tableFloats()) row('f', bitsOf(x), math::sinFloat(x), math::cosFloat(x));
    return std::fclose(out) == 0;
}
#endif

double doubleOf(uint64_t bits) {
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

bool sameBits(double a, double b) { return (std::isnan(a) && std::isnan(b)) || bitsOf(a) == bitsOf(b); }

}  // namespace

TEST(Trig, SameBitsAsTheTableMadeOnLinux) {
#ifndef _WIN32
    if (std::getenv("SKARVO_WRITE_TRIG_TABLE")) {
        ASSERT_TRUE(writeTable()) << "cannot write " << TABLE_PATH;
    }
#endif
    std::ifstream in(TABLE_PATH);
    ASSERT_TRUE(in) << "cannot read " << TABLE_PATH;
    int rows = 0, differing = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string kind, inputText, sinText, cosText;
        fields >> kind >> inputText >> sinText >> cosText;
        const uint64_t inputBits = std::strtoull(inputText.c_str(), nullptr, 16);
        const double wantSin = doubleOf(std::strtoull(sinText.c_str(), nullptr, 16)),
                     wantCos = doubleOf(std::strtoull(cosText.c_str(), nullptr, 16));
        double input, gotSin, gotCos;
        if (kind == "i") {
            const int32_t a = static_cast<int32_t>(static_cast<uint32_t>(inputBits));
            input = a, gotSin = math::sinInt(a), gotCos = math::cosInt(a);
        } else {
            input = doubleOf(inputBits);
            const float x = static_cast<float>(input);
            gotSin = math::sinFloat(x), gotCos = math::cosFloat(x);
        }
        ++rows;
        if (!sameBits(gotSin, wantSin) || !sameBits(gotCos, wantCos)) {
            if (++differing <= 10) ADD_FAILURE() << line << "\n  gives " << std::hex << bitsOf(gotSin) << " " << bitsOf(gotCos);
        }
#ifndef _WIN32
        // The table itself is held to glibc here, so a stale or hand-edited table fails.
        if (std::isfinite(input)) {
            EXPECT_LE(ulpsApart(wantSin, std::sin(input)), 1) << line;
            EXPECT_LE(ulpsApart(wantCos, std::cos(input)), 1) << line;
        }
#endif
    }
    EXPECT_EQ(differing, 0) << "of " << rows << " rows";
    EXPECT_GE(rows, 2000) << "the table is cut short";
}
