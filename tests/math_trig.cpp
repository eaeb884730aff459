// Our sine and cosine: within one ulp of the true value, and the same bits everywhere.
// data/trig_table.txt holds a few thousand hard inputs (its header says which) with our
// results as computed on Linux, where each row is also held to glibc within one ulp, so a
// stale or hand-edited table fails. Every build must give the same bits; on Windows, whose
// C library is no reference, this is the check of ours. After a deliberate change of
// trig.cpp, rewrite the results for the same inputs, on Linux:
//   SKARVO_WRITE_TRIG_TABLE=1 build/tests/math_tests --gtest_filter=Trig.SameBits*
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "math/trig.h"
#include "ulps.h"

namespace {

uint64_t bitsOf(double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return bits;
}

double doubleOf(uint64_t bits) {
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

bool sameBits(double a, double b) { return (std::isnan(a) && std::isnan(b)) || bitsOf(a) == bitsOf(b); }

}  // namespace

TEST(Trig, SameBitsAsTheTableMadeOnLinux) {
    const std::string path = std::string(SKARVO_TEST_DATA) + "/trig_table.txt";
#ifndef _WIN32
    const bool rewrite = std::getenv("SKARVO_WRITE_TRIG_TABLE") != nullptr;
#else
    const bool rewrite = false;
#endif
    std::ifstream in(path);
    ASSERT_TRUE(in) << "cannot read " << path;
    int rows = 0, differing = 0;
    std::string line, rewritten;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') {
            rewritten += line + "\n";
            continue;
        }
        std::istringstream fields(line);
        std::string kind, inputText, sinText, cosText;
        fields >> kind >> inputText >> sinText >> cosText;
        const uint64_t inputBits = std::strtoull(inputText.c_str(), nullptr, 16);
        double input, gotSin, gotCos;
        if (kind == "i") {
            const int32_t a = static_cast<int32_t>(static_cast<uint32_t>(inputBits));
            input = a, gotSin = math::sinInt(a), gotCos = math::cosInt(a);
        } else {
            input = doubleOf(inputBits);
            const float x = static_cast<float>(input);
            gotSin = math::sinFloat(x), gotCos = math::cosFloat(x);
        }
        char row[80];
        std::snprintf(row, sizeof row, "%s %s %016llx %016llx\n", kind.c_str(), inputText.c_str(),
                      static_cast<unsigned long long>(bitsOf(gotSin)), static_cast<unsigned long long>(bitsOf(gotCos)));
        rewritten += row;
        const double wantSin = rewrite ? gotSin : doubleOf(std::strtoull(sinText.c_str(), nullptr, 16)),
                     wantCos = rewrite ? gotCos : doubleOf(std::strtoull(cosText.c_str(), nullptr, 16));
        ++rows;
        if (!sameBits(gotSin, wantSin) || !sameBits(gotCos, wantCos)) {
            if (++differing <= 10) ADD_FAILURE() << line << "\n  gives " << row;
        }
#ifndef _WIN32
        if (std::isfinite(input)) {
            EXPECT_LE(ulpsApart(wantSin, std::sin(input)), 1) << line;
            EXPECT_LE(ulpsApart(wantCos, std::cos(input)), 1) << line;
        }
#endif
    }
    EXPECT_EQ(differing, 0) << "of " << rows << " rows";
    EXPECT_GE(rows, 2000) << "the table is cut short";
    if (rewrite) {
        EXPECT_TRUE(std::ofstream(path, std::ios::binary) << rewritten) << "cannot write " << path;
    }
}
