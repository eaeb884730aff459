// message.cpp — escaping what a message quotes.
#include "tools/common/message.h"

#include <cstdint>

namespace toolio {

namespace {

// The length of the valid UTF-8 sequence at text[at] (1 for plain ASCII), or 0 when
// the bytes there are not one (overlong forms and surrogates included).
size_t sequenceLength(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return i < text.size() ? static_cast<uint8_t>(text[i]) : 0u; };
    const uint8_t b = byte(at);
    if (b < 0x80) return 1;
    size_t n;
    uint8_t lo = 0x80, hi = 0xBF;  // the second byte's range
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        if (b == 0xE0) lo = 0xA0;
        if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (byte(at + 1) < lo || byte(at + 1) > hi) return 0;
    for (size_t i = 2; i < n; ++i)
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
    return n;
}

void escape(std::string& out, uint8_t b) {
    static const char HEX[] = "0123456789abcdef";
    out += "\\x";
    out += HEX[b >> 4];
    out += HEX[b & 15];
}

}  // namespace

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const uint8_t b = static_cast<uint8_t>(text[at]);
        const size_t n = sequenceLength(text, at);
        const bool control =
            (b < 0x20 && b != '\t') || b == 0x7F || (b == 0xC2 && n == 2 && static_cast<uint8_t>(text[at + 1]) < 0xA0);
        if (n == 0 || control) {
            // C1 controls are two bytes: both shown, so nothing of them reaches the terminal.
            for (size_t i = 0; i < (n == 0 ? 1 : n); ++i) escape(out, static_cast<uint8_t>(text[at + i]));
            at += n == 0 ? 1 : n;
            continue;
        }
        out.append(text.substr(at, n));
        at += n;
    }
    return out;
}

void printMessage(std::FILE* to, const char* tool, std::string_view message) {
    std::fprintf(to, "%s: %s\n", tool, printable(message).c_str());
}

}  // namespace toolio
