// Keyboard input through the window procedure and the frame loop's message step.
#include <tuple>

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
    // {message, key, then dirX, dirY, fireHeld}: a key-up clears its axis even while the other key is held.
    const int steps[][5] = {
        {WM_KEYDOWN, VK_LEFT, -1, 0, 0}, {WM_KEYDOWN, VK_RIGHT, 1, 0, 0}, {WM_KEYUP, VK_RIGHT, 0, 0, 0},
        {WM_KEYDOWN, VK_UP, 0, 1, 0},    {WM_KEYDOWN, VK_DOWN, 0, -1, 0}, {WM_KEYUP, VK_UP, 0, 0, 0},
        {WM_KEYDOWN, VK_SPACE, 0, 0, 1}, {WM_KEYDOWN, VK_SPACE, 0, 0, 1}, {WM_SYSKEYDOWN, VK_SPACE, 0, 0, 1},
        {WM_KEYUP, VK_LEFT, 0, 0, 1},    {WM_KEYUP, VK_SPACE, 0, 0, 0}};
    for (const auto& s : steps) {
        key(s[0], s[1]);
        runFrame();
        EXPECT_EQ(std::make_tuple(game.dirX, game.dirY, game.fireHeld), std::make_tuple(s[2], s[3], s[4]))
            << "after message " << s[0] << " key " << s[1];
    }
}

TEST(WindowProc, EscapeCloseAndQuitEndTheProcessWithCodeZero) {
    for (uint32_t message : {WM_CLOSE, WM_QUIT})
        EXPECT_EXIT(skarvo::windowProc(game.window, message, 0, 0), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT((key(WM_KEYDOWN, VK_ESCAPE), shelltest::drainMessages()), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(skarvo::windowProc(game.window, WM_KEYUP, VK_ESCAPE, 0), 0);  // only the key-down exits
}

TEST(FrameLoop, TakesOneMessagePerFrame) {
    shelltest::drainMessages();
    for (int i = 0; i < 3; ++i) key(WM_KEYDOWN, VK_LEFT), key(WM_KEYUP, VK_LEFT);
    for (int frame = 0; frame < 6; ++frame) {
        runFrame();
        EXPECT_EQ(game.dirX, frame % 2 == 0 ? -1 : 0) << "frame " << frame;
    }
}

TEST(FrameLoop, FrameTimeIsTheUnsignedDifferenceAcrossTheWrap) {
    // {clock, then frameMs}: across 2^32, past 2^31 (the clock reads negative), a long stall unclamped.
    const uint32_t clocks[][2] = {
        {0xFFFFFFF0u, 0}, {0x10u, 32}, {0x7FFFFFF0u, 0}, {0x80000005u, 21}, {0x800186A5u, 100000}};
    for (const auto& c : clocks) {
        headlessSetClock(c[0]);
        runFrame();
        if (c[1]) {
            EXPECT_EQ(game.frameMs, static_cast<int32_t>(c[1])) << c[0];
        }
        EXPECT_EQ(game.clockMs, static_cast<int32_t>(c[0]));
    }
}
