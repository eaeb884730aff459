// Our sine and cosine against the C library's (glibc's are within an ulp of the true value):
// integers near multiples of π, where an inexact reduction loses most digits, and float angles
// from small to the largest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
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

#include "platform/trig.h"
#include "ulps.h"

TEST(Trig, IntegersNearMultiplesOfPiAndAtTheEnds) {
    // Numerators of the convergents of π: sin is down to 1e-9 and every bit of it counts.
    const int32_t cases[] = {0,         1,         -1,        2,          355,         103993,  5419351,
                             165707065, 245850922, 411557987, 1068966896, -1068966896, INT_MAX, INT_MIN};
    for (int32_t a : cases) {
        EXPECT_LE(ulpsApart(platform::sinInt(a), std::sin(static_cast<double>(a))), 1) << a;
        EXPECT_LE(ulpsApart(platform::cosInt(a), std::cos(static_cast<double>(a))), 1) << a;
    }
    EXPECT_EQ(platform::sinInt(0), 0.0);
    EXPECT_EQ(platform::cosInt(0), 1.0);
}

TEST(Trig, FloatAnglesWithinAnUlp) {
    std::mt19937 rng(20261207);
    std::uniform_real_distribution<float> clockRange(-60000.0f, 60000.0f);  // spin angles of a long game
    int64_t worst = 0;
    for (int i = 0; i < 400000; ++i) {
        float x = clockRange(rng);
        if (i % 2 == 1) {  // every finite float, the largest included
            uint32_t bits = static_cast<uint32_t>(rng());
            std::memcpy(&x, &bits, sizeof x);
            if (!std::isfinite(x)) continue;
        }
        worst = std::max({worst, ulpsApart(platform::sinFloat(x), std::sin(static_cast<double>(x))),
                          ulpsApart(platform::cosFloat(x), std::cos(static_cast<double>(x)))});
    }
    EXPECT_LE(worst, 1);
}

TEST(Trig, FloatSpecialValues) {
    EXPECT_TRUE(std::signbit(platform::sinFloat(-0.0f)));
    EXPECT_EQ(platform::sinFloat(-0.0f), 0.0);
    EXPECT_EQ(platform::cosFloat(-0.0f), 1.0);
    EXPECT_EQ(platform::sinFloat(0x1p-149f), 0x1p-149);  // sin x = x this small
    const float nan = std::nanf(""), inf = INFINITY;
    for (float x : {nan, inf, -inf}) {
        EXPECT_TRUE(std::isnan(platform::sinFloat(x))) << x;
        EXPECT_TRUE(std::isnan(platform::cosFloat(x))) << x;
    }
    // Just either side of π/4, where the reduction starts.
    for (float x : {0x1.921fb4p-1f, 0x1.921fb6p-1f, -0x1.921fb6p-1f, 0x1.921fb6p+0f, 0x1.921fb6p+1f}) {
        EXPECT_LE(ulpsApart(platform::sinFloat(x), std::sin(static_cast<double>(x))), 1) << x;
        EXPECT_LE(ulpsApart(platform::cosFloat(x), std::cos(static_cast<double>(x))), 1) << x;
    }
}

// The table test: our results for a few thousand inputs, computed on Linux, where the cases
// above hold them to glibc's, and checked in. Every build must give the same bits; on
// Windows, whose C library is no reference (docs/windows.md), this is the check of ours.
// Regenerate after a deliberate change of trig.cpp, on Linux:
//   SKARVO_WRITE_TRIG_TABLE=1 build/tests/platform_tests --gtest_filter=Trig.SameBits*
namespace {

const std::string TABLE_PATH = std::string(SKARVO_TEST_DATA) + "/trig_table.txt";

// What printf's %a writes for a double ("-0x1.8p+1", "0x0p+0"), and nan, inf, -inf. Our
// own reader: msvcrt's strtod knows no hex floats.
bool parseHexDouble(const std::string& text, double* out) {
    const bool negative = !text.empty() && text[0] == '-';
    const std::string body = text.substr(negative ? 1 : 0);
    if (body == "nan" || body == "inf") {
        *out = body == "nan" ? NAN : negative ? -INFINITY : INFINITY;
        return true;
    }
    if (body.compare(0, 2, "0x") != 0) return false;
    uint64_t significand = 0;
    int fractionDigits = 0;
    bool inFraction = false;
    size_t i = 2;
    for (; i < body.size() && body[i] != 'p'; ++i) {
        if (body[i] == '.' && !inFraction) {
            inFraction = true;
            continue;
        }
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(body[i])));
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0 || significand >> 60) return false;
        significand = significand * 16 + static_cast<uint64_t>(digit);
        fractionDigits += inFraction;
    }
    if (i + 1 >= body.size()) return false;
    char* end = nullptr;
    const long exponent = std::strtol(body.c_str() + i + 1, &end, 10);
    if (*end != '\0') return false;
    // Exact: at most 53 significant bits, and the value is a double.
    const double magnitude =
        std::ldexp(static_cast<double>(significand), static_cast<int>(exponent) - 4 * fractionDigits);
    *out = negative ? -magnitude : magnitude;
    return true;
}

bool sameBits(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string bitsOf(double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    char text[24];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(bits));
    return text;
}

}  // namespace

#ifndef _WIN32
namespace {

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
        v.insert(v.end(), {std::nextafter(x, -INFINITY), x, std::nextafter(x, INFINITY)});
        v.push_back(-x);
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

void printHex(FILE* out, double d) {
    if (std::isnan(d))
        std::fputs(" nan", out);
    else
        std::fprintf(out, " %a", d);
}

// Writes the table from our functions (run on Linux only).
bool writeTable() {
    FILE* out = std::fopen(TABLE_PATH.c_str(), "w");
    if (!out) return false;
    std::fputs(
        "# platform::sinInt/cosInt (i) and sinFloat/cosFloat (f) as computed on Linux, in hex:\n"
        "# kind input sin cos. Written by SKARVO_WRITE_TRIG_TABLE=1 platform_tests (tests/platform_trig.cpp).\n",
        out);
    for (int32_t a : tableIntegers()) {
        std::fprintf(out, "i %d", static_cast<int>(a));
        printHex(out, platform::sinInt(a));
        printHex(out, platform::cosInt(a));
        std::fputc('\n', out);
    }
    for (float x : tableFloats()) {
        std::fputs("f", out);
        printHex(out, x);
        printHex(out, platform::sinFloat(x));
        printHex(out, platform::cosFloat(x));
        std::fputc('\n', out);
    }
    return std::fclose(out) == 0;
}

}  // namespace
#endif

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
        double input = 0, wantSin = 0, wantCos = 0, gotSin = 0, gotCos = 0;
        ASSERT_TRUE(parseHexDouble(sinText, &wantSin) && parseHexDouble(cosText, &wantCos)) << line;
        if (kind == "i") {
            const int32_t a = static_cast<int32_t>(std::stoll(inputText));
            input = a;
            gotSin = platform::sinInt(a);
            gotCos = platform::cosInt(a);
        } else {
            ASSERT_TRUE(kind == "f" && parseHexDouble(inputText, &input)) << line;
            gotSin = platform::sinFloat(static_cast<float>(input));
            gotCos = platform::cosFloat(static_cast<float>(input));
        }
        ++rows;
        if (!sameBits(gotSin, wantSin) || !sameBits(gotCos, wantCos)) {
            if (++differing <= 10) ADD_FAILURE() << line << "\n  gives " << bitsOf(gotSin) << " " << bitsOf(gotCos);
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
