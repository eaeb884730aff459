// platform_png_stored.h — a PNG writer for the image tests of every build (the Windows
// build has no libpng): any 8-bit colour type, the pixel data in stored (uncompressed)
// deflate blocks, every row with filter 0.
//
//   std::vector<uint8_t> png = storedpng::encode({3, 2, 2, rows, palette, alphas});
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace storedpng {

struct PngPicture {
    int colourType;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
    int width, height;
    std::vector<uint8_t> raw;      // height rows of packed 8-bit samples, no filter byte
    std::vector<uint8_t> palette;  // colour type 3: RGB triples
    std::vector<uint8_t> trns;     // the tRNS chunk's bytes, if any
};

inline uint32_t crc32(const uint8_t* p, size_t n, uint32_t c = 0xFFFFFFFFu) {
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return c;
}

inline void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
}

inline void chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    put32(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32(out, crc32(&out[start], out.size() - start) ^ 0xFFFFFFFFu);
}

inline std::vector<uint8_t> encode(const PngPicture& s) {
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr;
    put32(ihdr, static_cast<uint32_t>(s.width));
    put32(ihdr, static_cast<uint32_t>(s.height));
    ihdr.insert(ihdr.end(), {8, static_cast<uint8_t>(s.colourType), 0, 0, 0});
    chunk(out, "IHDR", ihdr);
    if (!s.palette.empty()) chunk(out, "PLTE", s.palette);
    if (!s.trns.empty()) chunk(out, "tRNS", s.trns);

    // zlib stream: header, stored blocks of at most 65,535 bytes, Adler-32.
    std::vector<uint8_t> filtered;
    const size_t rowBytes = s.height ? s.raw.size() / s.height : 0;
    for (int y = 0; y < s.height; ++y) {
        filtered.push_back(0);
        filtered.insert(filtered.end(), s.raw.begin() + y * rowBytes, s.raw.begin() + (y + 1) * rowBytes);
    }
    std::vector<uint8_t> z = {0x78, 0x01};
    size_t at = 0;
    do {
        const size_t n = std::min<size_t>(filtered.size() - at, 65535);
        z.push_back(at + n == filtered.size() ? 1 : 0);
        z.insert(z.end(), {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(~n),
                           static_cast<uint8_t>(~n >> 8)});
        z.insert(z.end(), filtered.begin() + at, filtered.begin() + at + n);
        at += n;
    } while (at < filtered.size());
    uint32_t a = 1, b = 0;
    for (uint8_t v : filtered) a = (a + v) % 65521, b = (b + a) % 65521;
    put32(z, b << 16 | a);
    chunk(out, "IDAT", z);
    chunk(out, "IEND", {});
    return out;
}

// w × h RGBA pixels as an RGBA PNG.
inline std::vector<uint8_t> encodeRgba(int w, int h, const std::vector<uint8_t>& rgba) {
    return encode({6, w, h, rgba, {}, {}});
}

}  // namespace storedpng
