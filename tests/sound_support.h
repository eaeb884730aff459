// sound_support.h — what the sound output tests share: a small song that keeps every
// part of the render busy, a direct render of it, and a fixture on a fresh headless ring.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/mixer.h"
#include "audio/sound_output.h"
#include "mxm_builder.h"
#include "platform/headless/sound_ring_control.h"
#include "player/player.h"

namespace sound_test {

constexpr uint32_t RING = audio::STREAM_BUFFER_BYTES;

// Two channels, a looped saw and a one-shot 16-bit blip, notes on many rows, a fast
// tempo so ticks fall inside most renders; the order list repeats the pattern.
inline std::vector<uint8_t> songModule() {
    mxmb::Module m;
    m.channelCount = 2;
    m.initialSpeed = 3;
    m.initialTempo = 150;
    m.orders = {0, 0, 0};
    m.patterns.push_back(mxmb::Pattern::empty(16));
    std::vector<int32_t> saw, blip;
    for (int i = 0; i < 32; ++i) saw.push_back(i * 8 - 128);
    for (int i = 0; i < 300; ++i) blip.push_back(((i / 7) % 2 ? 9000 : -9000) * (300 - i) / 300);
    m.instruments.resize(2);
    m.instruments[0].samples.push_back(mxmb::Sample::looped8(saw, 0));
    m.instruments[1].samples.push_back(mxmb::Sample::oneShot16(blip));
    const uint8_t notes[] = {49, 53, 56, 61, 49, 51, 56, 44};
    for (int r = 0; r < 16; r += 2) {
        m.patterns[0].rows[r].push_back(mxmb::note(0, notes[r / 2], 1));
        if (r % 4 == 0) m.patterns[0].rows[r].push_back(mxmb::note(1, 37, 2));
    }
    return mxmb::build(m);
}

// `bytes` bytes of 16-bit PCM rendered straight from the start of the song, in
// chunks the size of one usual streaming iteration.
inline std::vector<uint8_t> directRender(uint32_t bytes) {
    std::vector<uint8_t> module = songModule(), out(bytes);
    auto state = std::make_unique<mxm::PlayerState>();
    mxm::loadModule(state.get(), module.data());
    mxm::startSong(*state, 0);
    std::vector<int32_t> mix(2 * 1102);
    for (uint32_t at = 0, frames = 0; at < bytes; at += frames * 4) {
        frames = std::min<uint32_t>(1102, (bytes - at) / 4);
        audio::renderFrames(*state, frames, mix.data());
        audio::convertToPcm16(mix.data(), out.data() + at, frames * 4);
    }
    mxm::stopSong(*state);
    return out;
}

// Each test starts on a fresh headless ring and ends with the output shut down.
class SoundTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::headlessSoundReset();
        audio::setStreamSleepMs(0);
    }
    void TearDown() override {
        audio::shutdownPlayer();
        audio::setStreamSleepMs(audio::STREAM_SLEEP_MS);
    }
    std::vector<uint8_t> module = songModule();
};

}  // namespace sound_test
