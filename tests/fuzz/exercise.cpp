// exercise.cpp — the module: validate, load a copy, start at order 0 and render in
// game-sized requests; the fuzzer's cheaper leg adds ticks without mixing.
#include "exercise.h"

#include <memory>

#include "mixer.h"
#include "player.h"
#include "validate.h"

namespace {

mxm::PlayerState g_state;
int32_t g_mix[2 * 1102];
uint8_t g_pcm[4 * 1102];

// Enough ticks for about 500 rows at speed 6: deep into any order list a small input can hold.
constexpr int SILENT_TICKS = 3000;

bool load(const uint8_t* data, size_t size, std::unique_ptr<uint8_t[]>* image) {
    if (!mxm::validateModule(data, size, nullptr)) return false;
    image->reset(new uint8_t[size]);
    for (size_t k = 0; k < size; ++k) (*image)[k] = data[k];
    mxm::loadModule(&g_state, image->get());
    g_state.tickCountdown = 0;
    mxm::startSong(g_state, 0);
    return true;
}

void render(uint32_t frames) {
    for (uint32_t done = 0; done < frames;) {
        uint32_t n = frames - done < 1102 ? frames - done : 1102;
        audio::renderFrames(g_state, n, g_mix);
        audio::convertToPcm16(g_mix, g_pcm, 4 * n);
        done += n;
    }
}

}  // namespace

bool exerciseModule(const uint8_t* data, size_t size, uint32_t frames) {
    std::unique_ptr<uint8_t[]> image;
    if (!load(data, size, &image)) return false;
    render(frames);
    mxm::stopSong(g_state);
    return true;
}

bool exerciseModuleInput(const uint8_t* data, size_t size) {
    std::unique_ptr<uint8_t[]> image;
    if (!load(data, size, &image)) return true;
    // The last byte is part of the module too: the mutator still reaches every length.
    uint32_t frames = 441 + (22050 - 441) * data[size - 1] / 255;
    render(frames);
    // The render driver ticks only while playing; so do we.
    for (int t = 0; t < SILENT_TICKS && g_state.playing.load() != 0; ++t) mxm::playerTick(g_state);
    render(frames);
    mxm::stopSong(g_state);
    return true;
}
