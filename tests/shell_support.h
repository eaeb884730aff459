// shell_support.h — the game's real start-up on the headless backend, once per test
// program, before any test runs.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

#include "gameplay/game_state.h"
#include "platform/headless/headless.h"
#include "shell/entry.h"

namespace shelltest {

constexpr uint32_t START_CLOCK = 5000;
constexpr uint32_t FIRST_FRAME_CLOCK = 5040;

class StartUpOnce : public ::testing::Environment {
  public:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 0);  // no sound device is needed here
        platform::headlessSetClock(START_CLOCK);
        skarvo::startUp();
        platform::headlessSetClock(FIRST_FRAME_CLOCK);
        skarvo::runFrame();
    }
};

// Runs frames until no event waits.
inline void drainEvents() {
    while (platform::headlessQueuedEvents() > 0) skarvo::runFrame();
}

}  // namespace shelltest
