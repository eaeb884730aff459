// Raw keys to window messages, and the headless message queue.
#include <SDL_scancode.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless.h"
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

const std::string L = std::to_string(VK_LEFT), R = std::to_string(VK_RIGHT), U = std::to_string(VK_UP),
                  SP = std::to_string(VK_SPACE);

}  // namespace

TEST(KeyInput, KeysByPhysicalPositionAltMakesSystemKeyDowns) {
    const struct {
        int scancode;
        uint32_t vk;
    } keys[] = {
        {SDL_SCANCODE_LEFT, VK_LEFT}, {SDL_SCANCODE_ESCAPE, VK_ESCAPE}, {SDL_SCANCODE_A, 'A'}, {SDL_SCANCODE_F1, 0x70}};
    for (const auto& k : keys) {
        InputState in{};
        EXPECT_EQ(inputKey(&in, k.scancode, true, false, false), INPUT_MESSAGE);
        EXPECT_EQ(inputKey(&in, k.scancode, true, true, false), INPUT_MESSAGE);  // auto-repeat
        EXPECT_EQ(inputKey(&in, k.scancode, false, false, false), INPUT_MESSAGE);
        const std::string vk = std::to_string(k.vk);
        EXPECT_EQ(drain(&in), "down:" + vk + " down:" + vk + " up:" + vk);
    }
    InputState in{};
    EXPECT_EQ(inputKey(&in, SDL_SCANCODE_VOLUMEUP, true, false, false), INPUT_NONE);
    EXPECT_EQ(inputKey(&in, 9999, true, false, false), INPUT_NONE);
    inputKey(&in, SDL_SCANCODE_SPACE, true, false, true);
    inputKey(&in, SDL_SCANCODE_SPACE, false, false, true);
    EXPECT_EQ(drain(&in), "sysdown:" + SP + " up:" + SP);
}

TEST(KeyInput, FullscreenKeysToggleOnceAndNeverBecomeMessages) {
    InputState in{};
    EXPECT_EQ(inputKey(&in, SDL_SCANCODE_F11, true, false, false), INPUT_TOGGLE_FULLSCREEN);
    EXPECT_EQ(inputKey(&in, SDL_SCANCODE_F11, true, true, false), INPUT_NONE);  // held: no second toggle
    EXPECT_EQ(inputKey(&in, SDL_SCANCODE_F11, false, false, false), INPUT_NONE);
    EXPECT_EQ(inputKey(&in, SDL_SCANCODE_RETURN, true, false, true), INPUT_TOGGLE_FULLSCREEN);
    // Alt let go before Enter: Enter's key-up is still swallowed.
    EXPECT_EQ(inputKey(&in, SDL_SCANCODE_RETURN, false, false, false), INPUT_NONE);
    EXPECT_EQ(drain(&in), "");
    EXPECT_EQ(inputKey(&in, SDL_SCANCODE_RETURN, true, false, false), INPUT_MESSAGE);  // Enter alone
    EXPECT_EQ(drain(&in), "down:13");
}

TEST(PadInput, ButtonsStickDeadZoneAndSharedKeys) {
    InputState in{};
    inputPadButton(&in, PAD_START, true, 0);
    inputPadButton(&in, PAD_BACK, true, 0);  // Escape is already down
    inputPadButton(&in, 2, true, 0);         // a button with no key
    EXPECT_EQ(drain(&in), "down:" + std::to_string(VK_ESCAPE));

    inputPadAxis(&in, PAD_AXIS_LEFTX, 8000);  // inside the dead zone
    EXPECT_EQ(drain(&in), "");
    inputPadAxis(&in, PAD_AXIS_LEFTX, 20000);
    inputPadAxis(&in, PAD_AXIS_LEFTX, 12000);  // eased off, still past the release point
    EXPECT_EQ(drain(&in), "down:" + R);
    inputPadAxis(&in, PAD_AXIS_LEFTX, -32768);  // flicked across: let go, then the other way
    EXPECT_EQ(drain(&in), "up:" + R + " down:" + L);

    // Left is now held by the stick too: it goes up only when the last source lets go.
    inputPadButton(&in, PAD_LEFT, true, 0);
    inputKey(&in, SDL_SCANCODE_LEFT, true, false, false);
    inputPadButton(&in, PAD_LEFT, false, 0);
    inputKey(&in, SDL_SCANCODE_LEFT, false, false, false);
    EXPECT_EQ(drain(&in), "down:" + L + " down:" + L);
    inputPadAxis(&in, PAD_AXIS_LEFTX, 0);
    EXPECT_EQ(drain(&in), "up:" + L);
}

TEST(PadInput, SouthButtonRepeatsLikeAKeyOneMessageAtATime) {
    InputState in{};
    const uint32_t t0 = 0xFFFFFF00u;  // across the clock's wrap
    inputPadButton(&in, PAD_SOUTH, true, t0);
    EXPECT_EQ(drain(&in, t0), "down:" + SP);
    EXPECT_EQ(drain(&in, t0 + PAD_REPEAT_DELAY_MS - 1), "");
    EXPECT_EQ(drain(&in, t0 + PAD_REPEAT_DELAY_MS), "down:" + SP);  // one, however late we look
    EXPECT_EQ(drain(&in, t0 + PAD_REPEAT_DELAY_MS + PAD_REPEAT_PERIOD_MS - 1), "");
    EXPECT_EQ(drain(&in, t0 + PAD_REPEAT_DELAY_MS + PAD_REPEAT_PERIOD_MS), "down:" + SP);
    // A stall: one repeat, then the rate again from there rather than a burst.
    const uint32_t late = t0 + 5000;
    EXPECT_EQ(drain(&in, late), "down:" + SP);
    EXPECT_EQ(drain(&in, late + 1), "");
    EXPECT_EQ(drain(&in, late + PAD_REPEAT_PERIOD_MS), "down:" + SP);
    // A waiting message comes first; the repeat waits for an empty queue.
    inputPadButton(&in, PAD_UP, true, late);
    EXPECT_EQ(drain(&in, late + 10 * PAD_REPEAT_PERIOD_MS), "down:" + U + " down:" + SP);
}

TEST(PadInput, UnplugAndFocusLossReleaseEverythingHeld) {
    InputState in{};
    inputPadButton(&in, PAD_SOUTH, true, 0);
    inputPadAxis(&in, PAD_AXIS_LEFTY, -30000);  // y grows downwards: Up
    inputKey(&in, SDL_SCANCODE_LEFT, true, false, false);
    EXPECT_EQ(drain(&in), "down:" + SP + " down:" + U + " down:" + L);
    inputPadsReleased(&in);
    EXPECT_EQ(drain(&in, 100000), "up:" + SP + " up:" + U);  // no repeat after the unplug
    inputFocusLost(&in);
    EXPECT_EQ(drain(&in), "up:" + L);
}

TEST(Letterbox, FourByThreeAsLargeAsFitsCentred) {
    const int cases[][6] = {{640, 480, 0, 0, 640, 480},
                            {1920, 1080, 240, 0, 1440, 1080},
                            {800, 1000, 0, 200, 800, 600},
                            {625, 452, 11, 0, 603, 452},
                            {1, 1, 0, 0, 1, 1},
                            {0, 480, 0, 0, 0, 0},
                            {2560, 1600, 213, 0, 2133, 1600}};
    for (const auto& c : cases) {
        ViewRect r = letterbox(c[0], c[1]);
        EXPECT_EQ((std::vector<int>{r.x, r.y, r.w, r.h}), (std::vector<int>{c[2], c[3], c[4], c[5]}))
            << c[0] << "x" << c[1];
    }
}

TEST(HeadlessExit, EndsTheProcessWithTheCode) { EXPECT_EXIT(exitProcess(3), ::testing::ExitedWithCode(3), ""); }
