// Raw keys to window messages, and the headless message queue.
#include <SDL_scancode.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/input.h"
#include "platform/layout.h"
#include "platform/window.h"

using namespace platform;

namespace {

// Takes every waiting message (at a fixed time) as "message:key" words.
std::string drain(InputState* in, uint32_t nowMs = 0) {
    std::string out;
    Message m{};
    while (inputNext(in, nowMs, 0, 0, &m)) {
        const char* kind = m.message == WM_KEYDOWN ? "down" : m.message == WM_KEYUP ? "up" : "sysdown";
        out += std::string(out.empty() ? "" : " ") + kind + ":" + std::to_string(m.wParam);
    }
    return out;
}

const std::string L = std::to_string(VK_LEFT), R = std::to_string(VK_RIGHT), SP = std::to_string(VK_SPACE);

}  // namespace

TEST(KeyInput, KeysByPhysicalPositionAltMakesSystemKeyDowns) {
    const int keys[][2] = {{SDL_SCANCODE_LEFT, VK_LEFT}, {SDL_SCANCODE_A, 'A'}, {SDL_SCANCODE_F1, 0x70}};
    InputState in{};
    for (const auto& k : keys) {
        inputKey(&in, k[0], true, false, false);
        inputKey(&in, k[0], true, true, false);  // auto-repeat
        inputKey(&in, k[0], false, false, false);
        const std::string vk = std::to_string(k[1]);
        EXPECT_EQ(drain(&in), "down:" + vk + " down:" + vk + " up:" + vk);
    }
    EXPECT_EQ(inputKey(&in, 9999, true, false, false), INPUT_NONE);
    inputKey(&in, SDL_SCANCODE_SPACE, true, false, true);
    EXPECT_EQ(drain(&in), "sysdown:" + SP);
}

TEST(KeyInput, FullscreenKeysToggleOnceAndNeverBecomeMessages) {
    InputState in{};
    EXPECT_EQ(inputKey(&in, SDL_SCANCODE_F11, true, false, false), INPUT_TOGGLE_FULLSCREEN);
    EXPECT_EQ(inputKey(&in, SDL_SCANCODE_F11, true, true, false), INPUT_NONE);  // held: no second toggle
    inputKey(&in, SDL_SCANCODE_F11, false, false, false);
    EXPECT_EQ(inputKey(&in, SDL_SCANCODE_RETURN, true, false, true), INPUT_TOGGLE_FULLSCREEN);
    inputKey(&in, SDL_SCANCODE_RETURN, false, false, false);  // Alt already let go: still swallowed
    EXPECT_EQ(drain(&in), "");
}

TEST(PadInput, StickDeadZoneAndSharedKeys) {
    InputState in{};
    inputPadAxis(&in, PAD_AXIS_LEFTX, 8000);  // inside the dead zone
    inputPadAxis(&in, PAD_AXIS_LEFTX, 20000);
    inputPadAxis(&in, PAD_AXIS_LEFTX, 12000);   // eased off, still past the release point
    inputPadAxis(&in, PAD_AXIS_LEFTX, -32768);  // flicked across: let go, then the other way
    EXPECT_EQ(drain(&in), "down:" + R + " up:" + R + " down:" + L);
    // Left is also held by the stick: it goes up only when the last source lets go.
    inputKey(&in, SDL_SCANCODE_LEFT, true, false, false);
    inputKey(&in, SDL_SCANCODE_LEFT, false, false, false);
    inputPadAxis(&in, PAD_AXIS_LEFTX, 0);
    EXPECT_EQ(drain(&in), "down:" + L + " up:" + L);
}

TEST(PadInput, SouthButtonRepeatsLikeAKeyOneMessageAtATime) {
    InputState in{};
    const uint32_t t0 = 0xFFFFFF00u;  // across the clock's wrap
    inputPadButton(&in, PAD_SOUTH, true, t0);
    EXPECT_EQ(drain(&in, t0), "down:" + SP);
    EXPECT_EQ(drain(&in, t0 + PAD_REPEAT_DELAY_MS - 1), "");
    EXPECT_EQ(drain(&in, t0 + PAD_REPEAT_DELAY_MS), "down:" + SP);
    // A stall: one repeat, not a burst, then the rate again from there.
    const uint32_t late = t0 + 5000;
    EXPECT_EQ(drain(&in, late), "down:" + SP);
    EXPECT_EQ(drain(&in, late + 1), "");
}

TEST(PadInput, UnplugAndFocusLossReleaseEverythingHeld) {
    InputState in{};
    inputPadButton(&in, PAD_SOUTH, true, 0);
    inputPadAxis(&in, PAD_AXIS_LEFTY, -30000);  // y grows downwards: Up
    inputKey(&in, SDL_SCANCODE_LEFT, true, false, false);
    EXPECT_EQ(drain(&in), "down:" + SP + " down:" + std::to_string(VK_UP) + " down:" + L);
    inputPadsReleased(&in);
    EXPECT_EQ(drain(&in, 100000), "up:" + SP + " up:" + std::to_string(VK_UP));  // no repeat after the unplug
    inputFocusLost(&in);
    EXPECT_EQ(drain(&in), "up:" + L);
}

TEST(Letterbox, FourByThreeAsLargeAsFitsCentred) {
    const int cases[][6] = {{1920, 1080, 240, 0, 1440, 1080},
                            {800, 1000, 0, 200, 800, 600},
                            {625, 452, 11, 0, 603, 452},
                            {0, 480, 0, 0, 0, 0}};
    for (const auto& c : cases) {
        ViewRect r = letterbox(c[0], c[1]);
        EXPECT_EQ((std::vector<int>{r.x, r.y, r.w, r.h}), (std::vector<int>{c[2], c[3], c[4], c[5]})) << c[0];
    }
}
