// Raw keys to window messages, and the headless message queue.
#include <gtest/gtest.h>

#include <SDL_scancode.h>

#include "platform/headless.h"
#include "platform/input.h"
#include "platform/window.h"

using namespace platform;

TEST(KeyMessages, GameKeysByPhysicalPosition) {
    const struct {
        int scancode;
        uint32_t vk;
    } keys[] = {{SDL_SCANCODE_LEFT, VK_LEFT},   {SDL_SCANCODE_RIGHT, VK_RIGHT}, {SDL_SCANCODE_UP, VK_UP},
                {SDL_SCANCODE_DOWN, VK_DOWN},   {SDL_SCANCODE_SPACE, VK_SPACE}, {SDL_SCANCODE_ESCAPE, VK_ESCAPE},
                {SDL_SCANCODE_A, 'A'},          {SDL_SCANCODE_0, '0'},          {SDL_SCANCODE_F1, 0x70}};
    for (const auto& k : keys) {
        Message m{};
        ASSERT_TRUE(keyMessage(k.scancode, true, false, &m)) << k.scancode;
        EXPECT_EQ(m.message, WM_KEYDOWN);
        EXPECT_EQ(m.wParam, k.vk);
        ASSERT_TRUE(keyMessage(k.scancode, false, false, &m));
        EXPECT_EQ(m.message, WM_KEYUP);
        EXPECT_EQ(m.wParam, k.vk);
    }
    Message m{};
    EXPECT_FALSE(keyMessage(SDL_SCANCODE_VOLUMEUP, true, false, &m));
}

TEST(KeyMessages, AltTurnsKeyDownsIntoSystemKeysButNeverKeyUps) {
    Message m{};
    ASSERT_TRUE(keyMessage(SDL_SCANCODE_SPACE, true, true, &m));
    EXPECT_EQ(m.message, WM_SYSKEYDOWN);
    ASSERT_TRUE(keyMessage(SDL_SCANCODE_SPACE, false, true, &m));
    EXPECT_EQ(m.message, WM_KEYUP);  // the game must see the release it is waiting for
}

namespace {

int calls = 0;
uint32_t lastMessage = 0;
uintptr_t lastWParam = 0;
Window* lastWindow = nullptr;

intptr_t recordingProc(Window* w, uint32_t message, uintptr_t wParam, intptr_t) {
    ++calls;
    lastMessage = message, lastWParam = wParam, lastWindow = w;
    return 7;
}

}  // namespace

TEST(HeadlessMessages, OnePerPeekInOrderAndDispatchedToTheProcedure) {
    static WindowClass wc{8, recordingProc, getModuleHandle(nullptr), "InputTest"};
    ASSERT_NE(registerClass(&wc), 0);
    Window* w = createWindow(0, "InputTest", "InputTest", 0, 0, 0, 640, 480, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(createWindow(0, "NoSuchClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);

    headlessQueueMessage({nullptr, WM_KEYDOWN, VK_LEFT, 0});
    headlessQueueMessage({nullptr, WM_KEYUP, VK_LEFT, 0});
    headlessQueueMessage({nullptr, WM_CLOSE, 0, 0});
    EXPECT_EQ(headlessQueuedMessages(), 3);

    // A filter leaves the others queued, in order.
    Message m{};
    ASSERT_TRUE(peekMessage(&m, w, WM_CLOSE, WM_CLOSE, PM_REMOVE));
    EXPECT_EQ(m.message, WM_CLOSE);
    EXPECT_EQ(headlessQueuedMessages(), 2);

    ASSERT_TRUE(peekMessage(&m, w, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.window, w);
    EXPECT_EQ(headlessQueuedMessages(), 1);
    EXPECT_EQ(dispatchMessage(&m), 7);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(lastMessage, WM_KEYDOWN);
    EXPECT_EQ(lastWParam, VK_LEFT);
    EXPECT_EQ(lastWindow, w);

    ASSERT_TRUE(peekMessage(&m, w, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_KEYUP);
    EXPECT_FALSE(peekMessage(&m, w, 0, 0, PM_REMOVE));

    // The default procedure and the desktop window do nothing.
    EXPECT_EQ(defWindowProc(getDesktopWindow(), WM_CLOSE, 0, 0), 0);
    Message desktop{nullptr, WM_KEYDOWN, VK_SPACE, 0};
    EXPECT_EQ(dispatchMessage(&desktop), 0);
    EXPECT_EQ(calls, 1);
}

TEST(HeadlessExit, EndsTheProcessWithTheCode) {
    EXPECT_EXIT(exitProcess(3), ::testing::ExitedWithCode(3), "");
}
