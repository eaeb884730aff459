// loader.cpp — loading a module into the player state, starting and stopping the
// song, and the small single-value operations.
#include <atomic>
#include <cstddef>
#include <cstring>

#include "player/format.h"
#include "player/player.h"

namespace mxm {

namespace {

// round(64 × sin(2π × i / 256)) for i = 0..63.
constexpr int8_t SINE_QUARTER[64] = {0,  2,  3,  5,  6,  8,  9,  11, 12, 14, 16, 17, 19, 20, 22, 23,
                                     24, 26, 27, 29, 30, 32, 33, 34, 36, 37, 38, 39, 41, 42, 43, 44,
                                     45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 56, 57, 58, 59,
                                     59, 60, 60, 61, 61, 62, 62, 62, 63, 63, 63, 64, 64, 64, 64, 64};

void buildWaveforms(int8_t (&w)[4][256]) {
    for (int i = 0; i < 64; ++i) w[0][i] = SINE_QUARTER[i];
    w[0][64] = 64;
    for (int i = 65; i < 128; ++i) w[0][i] = SINE_QUARTER[128 - i];
    for (int i = 128; i < 256; ++i) w[0][i] = static_cast<int8_t>(-w[0][i - 128]);

    for (int i = 0; i <= 128; ++i) w[1][i] = static_cast<int8_t>((i + 1) / 2);
    for (int i = 129; i < 256; ++i) w[1][i] = static_cast<int8_t>(-((256 - i) / 2));

    w[2][0] = -64;
    for (int i = 1; i <= 128; ++i) w[2][i] = 64;
    for (int i = 129; i < 256; ++i) w[2][i] = -64;

    for (int i = 0; i < 256; ++i) w[3][i] = static_cast<int8_t>(-w[1][i]);
}

bool isLoaded(const PlayerState& s) { return std::memcmp(s.header.magic, "MXM", 4) == 0; }

}  // namespace

bool loadModule(PlayerState* state, uint8_t* module) {
    // Stop a running song before its record is torn down.
    state->playing.store(0, std::memory_order_release);
    // Everything up to the render driver's fields; those and `playing` are not ours.
    std::memset(static_cast<void*>(state), 0, offsetof(PlayerState, tickCountdown));
    state->masterVolume = 64;
    if (moduleMagic(module) != MODULE_MAGIC) return false;

    readHeader(state->header, module);
    if (moduleFlags(module) & FLAG_DELTA_SAMPLES) {
        // Cleared in the image itself, so loading the same image again does not decode twice.
        write16(module + HDR_FLAGS, static_cast<uint16_t>(moduleFlags(module) & ~FLAG_DELTA_SAMPLES));
        decodeDeltaSamples(module + state->header.sampleDataOffset, state->header.sampleBytes8,
                           state->header.sampleWords16);
    }
    buildWaveforms(state->waveforms);
    state->playing.store(0, std::memory_order_release);
    return true;
}

void startSong(PlayerState& s, uint32_t orderPos) {
    // A failed load leaves no tables to play from.
    if (s.playing.load(std::memory_order_acquire) != 0 || !isLoaded(s)) return;
    s.nextOrderPos = orderPos;
    s.orderPos = orderPos;
    s.row = 0;
    std::memset(static_cast<void*>(s.channels), 0, sizeof s.channels);
    for (int k = 0; k < MAX_CHANNELS; ++k) s.channels[k].panning = s.header.channelPanning[k];
    s.globalVolume = 64;
    s.nextRow = 0;
    s.syncValue = 0;
    s.speed = s.header.initialSpeed;
    s.tick = static_cast<uint8_t>(s.header.initialSpeed - 1);
    s.tempo = s.header.initialTempo;
    // A delay left by a song stopped inside an EE row must not hold up the new start.
    s.patternDelay = 0;
    s.playing.fetch_add(1, std::memory_order_release);
}

void stopSong(PlayerState& s) {
    uint8_t p = s.playing.load(std::memory_order_acquire);
    if (p != 0) s.playing.store(static_cast<uint8_t>(p - 1), std::memory_order_release);
}

void setMasterVolume(PlayerState& s, uint8_t value) { s.masterVolume = value; }

uint8_t getSyncValue(const PlayerState& s) { return s.syncValue; }

uint16_t getPosition(const PlayerState& s) {
    return static_cast<uint16_t>(((s.orderPos & 0xFF) << 8) | (s.row & 0xFF));
}

}  // namespace mxm
