// Keyboard input through the window procedure and the frame loop's message step.
#include <SDL_scancode.h>

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

TEST(WindowProc, ArrowsFollowTheLastKeyPressedAndAnyReleaseClears) {
    shelltest::drainMessages();
    key(WM_KEYDOWN, VK_LEFT);
    runFrame();
    EXPECT_EQ(game.dirX, -1);
    key(WM_KEYDOWN, VK_RIGHT);  // Left still held
    runFrame();
    EXPECT_EQ(game.dirX, 1);
    key(WM_KEYUP, VK_RIGHT);
    runFrame();
    EXPECT_EQ(game.dirX, 0);  // Left is still down, but only a new key-down counts
    key(WM_KEYUP, VK_LEFT);
    runFrame();
    EXPECT_EQ(game.dirX, 0);

    key(WM_KEYDOWN, VK_UP);
    runFrame();
    key(WM_KEYDOWN, VK_RIGHT);
    runFrame();
    EXPECT_EQ(game.dirY, 1);  // the axes are independent
    EXPECT_EQ(game.dirX, 1);
    key(WM_KEYDOWN, VK_DOWN);
    runFrame();
    EXPECT_EQ(game.dirY, -1);
    key(WM_KEYUP, VK_UP);
    runFrame();
    EXPECT_EQ(game.dirY, 0);
    key(WM_KEYUP, VK_RIGHT);
    runFrame();
    EXPECT_EQ(game.dirX, 0);
}

TEST(WindowProc, SpaceHeldWithRepeatsStaysHeldUntilItsKeyUp) {
    shelltest::drainMessages();
    for (int i = 0; i < 3; ++i) {
        key(WM_KEYDOWN, VK_SPACE);  // the first press and two auto-repeats
        runFrame();
        EXPECT_EQ(game.fireHeld, 1);
    }
    key(WM_KEYUP, VK_LEFT);  // other keys leave it alone
    key(WM_SYSKEYDOWN, VK_SPACE);
    key(WM_KEYDOWN, 'A');
    shelltest::drainMessages();
    EXPECT_EQ(game.fireHeld, 1);
    key(WM_KEYUP, VK_SPACE);
    runFrame();
    EXPECT_EQ(game.fireHeld, 0);
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
    for (int i = 0; i < 5; ++i) {
        key(WM_KEYDOWN, VK_LEFT);
        key(WM_KEYUP, VK_LEFT);
    }
    for (int frame = 0; frame < 10; ++frame) {
        EXPECT_EQ(headlessQueuedMessages(), 10 - frame);
        runFrame();
        // A key-down and its key-up queued together land in consecutive frames.
        EXPECT_EQ(game.dirX, frame % 2 == 0 ? -1 : 0) << "frame " << frame;
    }
    EXPECT_EQ(headlessQueuedMessages(), 0);
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
    EXPECT_LT(game.clockMs, 0);

    runFrame();  // the clock stood still
    EXPECT_EQ(game.frameMs, 0);

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
    EXPECT_EQ(game.dirX, -1);
    EXPECT_EQ(game.dirY, 1);
    EXPECT_EQ(game.fireHeld, 1);
    headlessFocusLost();
    runFrame();  // one message per frame: three frames for three key-ups
    runFrame();
    runFrame();
    EXPECT_EQ(game.dirX, 0);
    EXPECT_EQ(game.dirY, 0);
    EXPECT_EQ(game.fireHeld, 0);
    EXPECT_EQ(headlessQueuedMessages(), 0);
}
