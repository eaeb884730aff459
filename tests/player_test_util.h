// player_test_util.h — small modules for the player tests, loaded and started on a fresh state.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "player/player.h"
#include "tools/mxm_builder.h"

using V = std::vector<int>;
using CR = mxm::ChannelRecord;

// A looped 8-bit sample, envelopes off.
inline mxmb::Instrument plainInstrument(uint8_t volume = 64) {
    mxmb::Instrument ins;
    ins.samples.push_back(mxmb::Sample::looped8({0, 40, 80, 40, 0, -40, -80, -40}, 0));
    ins.samples[0].volume = volume;
    return ins;
}

// Linear periods, 4 channels, empty patterns 0 and 1 at orders 0, 1, one plain instrument;
// `rows` at the start of pattern 0.
inline mxmb::Module rowsModule(std::vector<mxmb::Row> rows = {}, uint8_t speed = 6, int patternRows = 64) {
    mxmb::Module m;
    m.initialSpeed = speed;
    m.orders = {0, 1};
    m.patterns = {mxmb::Pattern::empty(patternRows), mxmb::Pattern::empty(patternRows)};
    m.instruments = {plainInstrument()};
    std::copy(rows.begin(), rows.end(), m.patterns[0].rows.begin());
    return m;
}

inline mxmb::Cell withEffect(mxmb::Cell c, uint8_t effect, uint8_t param) {
    c.hasEffect = true, c.effect = effect, c.param = param;
    return c;
}
inline mxmb::Cell withVolume(mxmb::Cell c, uint8_t volumeByte) {
    c.hasVolume = true, c.volume = volumeByte;
    return c;
}

struct Song {
    std::vector<uint8_t> bytes;
    std::unique_ptr<mxm::PlayerState> state = std::make_unique<mxm::PlayerState>();

    explicit Song(const mxmb::Module& m) : bytes(mxmb::build(m)) {
        mxm::loadModule(state.get(), bytes.data());
        mxm::startSong(*state, 0);
    }
    mxm::ChannelRecord& ch(int c) { return state->channels[c]; }
    // Reads a field of channel c, for trace.
    template <class T>
    std::function<int()> of(int c, T CR::*field) {
        return [this, c, field] { return int(state->channels[c].*field); };
    }
    void tick(int n = 1) {
        for (int i = 0; i < n; ++i) mxm::playerTick(*state);
    }
    // Ticks until the next row has been read.
    void row() {
        do tick();
        while (state->rowTick == 0);
    }
    // Every `stride` ticks, `count` times, records each of `fields` (one list per field).
    std::vector<V> trace(int count, int stride, std::vector<std::function<int()>> fields) {
        std::vector<V> seen(fields.size());
        for (int i = 0; i < count; ++i) {
            tick(stride);
            for (size_t f = 0; f < fields.size(); ++f) seen[f].push_back(fields[f]());
        }
        return seen;
    }
};
