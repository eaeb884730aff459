// Keyboard input through the window procedure and the frame loop's message step. (The
// close message, Escape and the clock's wrap are pinned by the checked-in replays.)
#include <tuple>

#include "platform/window.h"
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

TEST(FrameLoop, TakesOneMessagePerFrame) {
    shelltest::drainMessages();
    for (int i = 0; i < 3; ++i) key(WM_KEYDOWN, VK_LEFT), key(WM_KEYUP, VK_LEFT);
    for (int frame = 0; frame < 6; ++frame) {
        runFrame();
        EXPECT_EQ(game.dirX, frame % 2 == 0 ? -1 : 0) << "frame " << frame;
    }
}
