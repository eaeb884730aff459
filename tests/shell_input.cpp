// Keyboard input through the window procedure and the frame loop's message step.
#include <SDL_scancode.h>

#include <tuple>

#include "platform/input.h"
#include "platform/window.h"
#include "shell/window_proc.h"
#include "shell_support.h"

using namespace platform;
using skarvo::game;
using skarvo::runFrame;

namespace {

void key(uint32_t message, uint32_t vk) { headlessQueueMessage({nullptr, message, vk, 0}); }

}  // namespace

TEST(WindowProc, ArrowsFollowTheLastKeyPressedSpaceStaysHeldUntilItsKeyUp) {
    shelltest::drainMessages();
    const struct {
        uint32_t message, vk;
        int dirX, dirY, fire;
    } steps[] = {
        {WM_KEYDOWN, VK_LEFT, -1, 0, 0},    {WM_KEYDOWN, VK_RIGHT, 1, 0, 0},  // Left still held
        {WM_KEYUP, VK_RIGHT, 0, 0, 0},  // Left is down, but only a key-down counts
        {WM_KEYUP, VK_LEFT, 0, 0, 0},       {WM_KEYDOWN, VK_UP, 0, 1, 0},
        {WM_KEYDOWN, VK_RIGHT, 1, 1, 0},  // independent axes
        {WM_KEYDOWN, VK_DOWN, 1, -1, 0},    {WM_KEYUP, VK_UP, 1, 0, 0},
        {WM_KEYDOWN, VK_SPACE, 1, 0, 1},    {WM_KEYDOWN, VK_SPACE, 1, 0, 1},  // an auto-repeat
        {WM_SYSKEYDOWN, VK_SPACE, 1, 0, 1}, {WM_KEYUP, VK_RIGHT, 0, 0, 1},    // other keys leave Space alone
        {WM_KEYUP, VK_SPACE, 0, 0, 0},
    };
    for (const auto& s : steps) {
        key(s.message, s.vk);
        runFrame();
        EXPECT_EQ(std::make_tuple(game.dirX, game.dirY, game.fireHeld), std::make_tuple(s.dirX, s.dirY, s.fire))
            << "after message " << s.message << " key " << s.vk;
    }
}

TEST(WindowProc, EscapeCloseAndQuitEndTheProcessWithCodeZero) {
    EXPECT_EXIT(skarvo::windowProc(game.window, WM_KEYDOWN, VK_ESCAPE, 0), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(skarvo::windowProc(game.window, WM_CLOSE, 0, 0), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(skarvo::windowProc(game.window, WM_QUIT, 0, 0), ::testing::ExitedWithCode(0), "");
    // Through the frame loop: the queued Escape ends the process at the message step.
    EXPECT_EXIT(
        {
            key(WM_KEYDOWN, VK_ESCAPE);
            for (;;) runFrame();
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(skarvo::windowProc(game.window, WM_KEYUP, VK_ESCAPE, 0), 0);  // only the key-down exits
}

TEST(FrameLoop, TakesOneMessagePerFrame) {
    shelltest::drainMessages();
    for (int i = 0; i < 3; ++i) key(WM_KEYDOWN, VK_LEFT), key(WM_KEYUP, VK_LEFT);
    for (int frame = 0; frame < 6; ++frame) {
        EXPECT_EQ(headlessQueuedMessages(), 6 - frame);
        runFrame();
        // A key-down and its key-up queued together land in consecutive frames.
        EXPECT_EQ(game.dirX, frame % 2 == 0 ? -1 : 0) << "frame " << frame;
    }
}

TEST(FrameLoop, FrameTimeIsTheUnsignedDifferenceAcrossTheWrap) {
    headlessSetClock(0xFFFFFFF0u);
    runFrame();
    EXPECT_EQ(game.clockMs, -16);
    headlessSetClock(0x00000010u);  // wrapped
    runFrame();
    EXPECT_EQ(game.frameMs, 32);
    EXPECT_EQ(game.clockMs, 16);
    headlessSetClock(0x7FFFFFF0u);
    runFrame();
    headlessSetClock(0x80000005u);  // past 2^31: the clock reads negative
    runFrame();
    EXPECT_EQ(game.frameMs, 21);
    EXPECT_EQ(game.clockMs, static_cast<int32_t>(0x80000005u));
    headlessSetClock(0x80000005u + 100000);  // a long stall is not clamped
    runFrame();
    EXPECT_EQ(game.frameMs, 100000);
}

TEST(FrameLoop, FocusLossReleasesWhatTheGameHolds) {
    shelltest::drainMessages();
    headlessKeyEvent(SDL_SCANCODE_LEFT, true, false, false);
    headlessPadButton(PAD_SOUTH, true);
    headlessPadAxis(PAD_AXIS_LEFTY, -30000);
    shelltest::drainMessages();
    EXPECT_EQ(std::make_tuple(game.dirX, game.dirY, game.fireHeld), std::make_tuple(-1, 1, 1));
    headlessFocusLost();
    shelltest::drainMessages();
    EXPECT_EQ(std::make_tuple(game.dirX, game.dirY, game.fireHeld), std::make_tuple(0, 0, 0));
}
