// seed_writer.cpp — writes generated starting inputs for the binary fuzz targets (the
// text targets start from the game's own texts). Modules: small valid modules built with
// mxm_builder that between them reach every effect, both period models, delta coding,
// 8- and 16-bit samples with every loop kind, envelopes with sustain and loops, and
// auto-vibrato. Textures: PNG files of every colour type the decoder converts, at
// sizes that do and do not need scaling, some using the colour key.
//
//   fuzz_seeds module OUTDIR
//   fuzz_seeds texture OUTDIR
#include <png.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "mxm_builder.h"
#include "picture.h"

namespace {

uint8_t u8(int v) { return static_cast<uint8_t>(v); }

std::vector<int32_t> wave(int n, int amplitude, int period) {
    std::vector<int32_t> v;
    for (int k = 0; k < n; ++k) v.push_back(((k % period) * 2 * amplitude) / period - amplitude);
    return v;
}

// Kind 0: forward loop; 1: 16-bit ping-pong from the first point; 2: two one-shot
// samples (8- and 16-bit) split by the note map; 3: a loop on the last point, low pitch.
// Even kinds carry looped envelopes with a sustain point.
mxmb::Instrument instrument(int kind) {
    mxmb::Instrument ins;
    ins.samples = {kind % 4 == 0   ? mxmb::Sample::looped8(wave(64, 100, 16), 8)
                   : kind % 4 == 1 ? mxmb::Sample::oneShot16(wave(80, 20000, 20))
                   : kind % 4 == 2 ? mxmb::Sample::oneShot8(wave(40, 120, 10))
                                   : mxmb::Sample::looped8(wave(32, 127, 8), 31)};
    if (kind % 4 == 1) ins.samples[0].flags = 0x10;
    if (kind % 4 == 3) ins.samples[0].relativePitch = -700;
    if (kind % 4 == 2) ins.samples.push_back(mxmb::Sample::oneShot16(wave(30, 30000, 6)));
    for (int k = 48; k < 96 && kind % 4 == 2; ++k) ins.sampleMap[k] = 1;
    ins.fadeOut = static_cast<uint16_t>(kind * 700);
    ins.autoVibType = u8(kind % 4);
    ins.autoVibDepth = u8(kind * 5 % 32);
    ins.autoVibRate = u8(kind * 37);
    ins.autoVibSweep = u8(kind * 9);
    if (kind % 2 == 0) ins.volEnv = {{{3, 0}, {5, 64}, {9, 20}, {4, 40}, {0, 0}}, 2, 1, 3};
    if (kind % 2 == 0) ins.panEnv = {{{6, 0}, {6, 64}, {0, 32}}, 255, 0, 1};
    return ins;
}

// A song of `channels` channels that walks the effects from `firstEffect` on; notes on
// every third cell, key-offs on every eleventh row.
mxmb::Module song(int channels, int firstEffect, bool linear, bool delta) {
    mxmb::Module m;
    m.channelCount = static_cast<uint32_t>(channels);
    m.linearPeriods = linear;
    m.deltaSamples = delta;
    m.initialSpeed = 3;
    m.initialTempo = u8(90 + firstEffect * 3);
    if (!linear) m.minPeriod = 50, m.maxPeriod = 60000;
    m.orders = {0, 1, 0, 2};
    m.restartOrder = 1;
    for (int k = 0; k < 4; ++k) m.instruments.push_back(instrument(k + firstEffect));
    for (int p = 0; p < 3; ++p) {
        mxmb::Pattern& pat = m.patterns.emplace_back(mxmb::Pattern::empty(16 + 8 * p));
        for (int r = 0; r < 16 + 8 * p; ++r)
            for (int c = 0; c < channels; ++c) {
                mxmb::Cell& cell = pat.rows[r].emplace_back(
                    mxmb::effect(u8(c), u8((firstEffect + r + 7 * c + 13 * p) % 0x34), u8(r * 37 + c * 11)));
                cell.hasNote = (r + c) % 3 == 0;
                cell.note = cell.hasNote ? u8(r % 11 == 10 ? 97 : 30 + (r * 5 + c * 7) % 50) : 0;
                cell.instrument = cell.hasNote ? u8(1 + (r + c) % 4) : 0;
                cell.hasVolume = (r + c) % 4 == 1;
                cell.volume = u8(r * 29 + c * 17);
            }
    }
    return m;
}

bool write(const std::string& path, const std::vector<uint8_t>& bytes) {
    if (std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        return true;
    std::perror(path.c_str());
    return false;
}

bool writeModules(const std::string& dir) {
    // Channels, first effect, linear periods, delta coding: the five of a larger set that
    // start the fuzzer on the most coverage.
    const int songs[][4] = {{1, 0, 1, 0}, {2, 5, 1, 1}, {8, 17, 1, 1}, {2, 47, 0, 1}, {32, 3, 1, 1}};
    for (int k = 0; k < 5; ++k)
        if (!write(dir + "/seed-" + std::to_string(k) + ".mxm",
                   mxmb::build(song(songs[k][0], songs[k][1], songs[k][2], songs[k][3]))))
            return false;
    return true;
}

// A w x h picture of a few colours, opaque black among them when `keyed`, the last
// entry transparent when `hole`.
imagegen::Picture picture(int w, int h, bool keyed, bool hole) {
    std::vector<imagegen::Colour> palette = {{200, 120, 40, 255}, {20, 90, 200, 255}};
    if (keyed) palette.push_back({0, 0, 0, 255});
    if (hole) palette.push_back({0, 0, 0, 0});
    imagegen::Picture p = imagegen::makePicture(w, h, palette);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.at(x, y) = static_cast<uint8_t>((x * 3 + y * 5) % palette.size());
    return p;
}

// The picture through libpng's simplified writer in `format` (grey, grey+alpha, RGB or
// 16-bit RGBA), the layouts the image generator never writes.
std::vector<uint8_t> simplePng(const imagegen::Picture& p, png_uint_32 format) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(p.width);
    image.height = static_cast<png_uint_32>(p.height);
    image.format = format;
    std::vector<uint16_t> wide;
    std::vector<uint8_t> narrow;
    for (const imagegen::Colour& c : imagegen::expand(p)) {
        uint8_t grey = static_cast<uint8_t>((c.r + c.g + c.b) / 3);
        if (format == PNG_FORMAT_GRAY) narrow.push_back(grey);
        if (format == PNG_FORMAT_GA) narrow.insert(narrow.end(), {grey, c.a});
        if (format == PNG_FORMAT_RGB) narrow.insert(narrow.end(), {c.r, c.g, c.b});
        if (format == PNG_FORMAT_LINEAR_RGB_ALPHA)
            for (uint8_t v : {c.r, c.g, c.b, c.a}) wide.push_back(static_cast<uint16_t>(v * 257));
    }
    const void* pixels = wide.empty() ? static_cast<const void*>(narrow.data()) : wide.data();
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels, 0, nullptr)) return {};
    std::vector<uint8_t> out(size);
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, pixels, 0, nullptr)) return {};
    out.resize(size);
    return out;
}

bool writeTextures(const std::string& dir) {
    using imagegen::PngKind;
    struct {
        const char* name;
        std::vector<uint8_t> bytes;
    } seeds[] = {
        {"keyed-palette-5x3", imagegen::encodePng(picture(5, 3, true, true), PngKind::KEYED_PALETTE)},
        {"palette-8x8", imagegen::encodePng(picture(8, 8, true, false), PngKind::OPAQUE_PALETTE)},
        {"rgba-3x6", imagegen::encodePng(picture(3, 6, true, true), PngKind::RGBA)},
        {"grey-7x2", simplePng(picture(7, 2, false, false), PNG_FORMAT_GRAY)},
        {"grey-alpha-4x4", simplePng(picture(4, 4, true, true), PNG_FORMAT_GA)},
        {"rgb-6x5", simplePng(picture(6, 5, true, false), PNG_FORMAT_RGB)},
        {"rgba16-5x4", simplePng(picture(5, 4, true, true), PNG_FORMAT_LINEAR_RGB_ALPHA)},
    };
    for (const auto& s : seeds)
        if (s.bytes.empty() || !write(dir + "/" + s.name + ".png", s.bytes)) return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string kind = argc == 3 ? argv[1] : "";
    if (kind != "module" && kind != "texture") {
        std::fprintf(stderr, "usage: fuzz_seeds module|texture OUTDIR\n");
        return 2;
    }
    return (kind == "module" ? writeModules(argv[2]) : writeTextures(argv[2])) ? 0 : 1;
}
