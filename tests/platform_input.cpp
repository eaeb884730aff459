// Raw keys to window messages, and the headless message queue.
#include <SDL_scancode.h>
#include <gtest/gtest.h>

#include <string>

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
        const char* kind = m.message == WM_KEYDOWN      ? "down"
                           : m.message == WM_KEYUP      ? "up"
                           : m.message == WM_SYSKEYDOWN ? "sysdown"
                                                        : "other";
        out += std::string(out.empty() ? "" : " ") + kind + ":" + std::to_string(m.wParam);
    }
    return out;
}

const std::string L = std::to_string(VK_LEFT), R = std::to_string(VK_RIGHT), U = std::to_string(VK_UP),
                  D = std::to_string(VK_DOWN), SP = std::to_string(VK_SPACE), ESC = std::to_string(VK_ESCAPE);

}  // namespace

TEST(KeyInput, GameKeysByPhysicalPosition) {
    const struct {
        int scancode;
        uint32_t vk;
    } keys[] = {{SDL_SCANCODE_LEFT, VK_LEFT}, {SDL_SCANCODE_RIGHT, VK_RIGHT}, {SDL_SCANCODE_UP, VK_UP},
                {SDL_SCANCODE_DOWN, VK_DOWN}, {SDL_SCANCODE_SPACE, VK_SPACE}, {SDL_SCANCODE_ESCAPE, VK_ESCAPE},
                {SDL_SCANCODE_A, 'A'},        {SDL_SCANCODE_0, '0'},          {SDL_SCANCODE_F1, 0x70}};
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
    EXPECT_EQ(drain(&in), "");
}

TEST(KeyInput, AltMakesSystemKeyDownsButKeyUpsStayKeyUps) {
    InputState in{};
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
    EXPECT_EQ(inputKey(&in, SDL_SCANCODE_KP_ENTER, true, false, true), INPUT_TOGGLE_FULLSCREEN);
    EXPECT_EQ(inputKey(&in, SDL_SCANCODE_KP_ENTER, false, false, true), INPUT_NONE);
    EXPECT_EQ(drain(&in), "");
    // Enter alone is an ordinary key.
    EXPECT_EQ(inputKey(&in, SDL_SCANCODE_RETURN, true, false, false), INPUT_MESSAGE);
    inputKey(&in, SDL_SCANCODE_RETURN, false, false, false);
    EXPECT_EQ(drain(&in), "down:13 up:13");
}

TEST(PadInput, DpadAndButtonsAreKeys) {
    InputState in{};
    inputPadButton(&in, PAD_LEFT, true, 0);
    inputPadButton(&in, PAD_RIGHT, true, 0);
    inputPadButton(&in, PAD_RIGHT, false, 0);
    inputPadButton(&in, PAD_LEFT, false, 0);
    inputPadButton(&in, PAD_UP, true, 0);
    inputPadButton(&in, PAD_UP, false, 0);
    inputPadButton(&in, PAD_DOWN, true, 0);
    inputPadButton(&in, PAD_DOWN, false, 0);
    EXPECT_EQ(drain(&in), "down:" + L + " down:" + R + " up:" + R + " up:" + L + " down:" + U + " up:" + U +
                              " down:" + D + " up:" + D);
    inputPadButton(&in, PAD_START, true, 0);
    inputPadButton(&in, PAD_BACK, true, 0);  // Escape is already down
    inputPadButton(&in, 2, true, 0);         // a button with no key
    EXPECT_EQ(drain(&in), "down:" + ESC);
}

TEST(PadInput, StickHasADeadZoneAndHysteresis) {
    InputState in{};
    inputPadAxis(&in, PAD_AXIS_LEFTX, 8000);  // inside the dead zone
    EXPECT_EQ(drain(&in), "");
    inputPadAxis(&in, PAD_AXIS_LEFTX, 20000);
    inputPadAxis(&in, PAD_AXIS_LEFTX, 12000);  // eased off, still past the release point
    EXPECT_EQ(drain(&in), "down:" + R);
    inputPadAxis(&in, PAD_AXIS_LEFTX, 5000);
    EXPECT_EQ(drain(&in), "up:" + R);
    inputPadAxis(&in, PAD_AXIS_LEFTX, 20000);
    inputPadAxis(&in, PAD_AXIS_LEFTX, -32768);  // flicked across: let go, then the other way
    EXPECT_EQ(drain(&in), "down:" + R + " up:" + R + " down:" + L);
    inputPadAxis(&in, PAD_AXIS_LEFTY, 32767);  // y grows downwards
    inputPadAxis(&in, PAD_AXIS_LEFTY, -32767);
    inputPadAxis(&in, PAD_AXIS_LEFTY, 0);
    EXPECT_EQ(drain(&in), "down:" + D + " up:" + D + " down:" + U + " up:" + U);
}

TEST(PadInput, SharedKeysGoUpOnlyWhenTheLastSourceLetsGo) {
    InputState in{};
    inputPadButton(&in, PAD_LEFT, true, 0);
    inputPadAxis(&in, PAD_AXIS_LEFTX, -30000);
    inputKey(&in, SDL_SCANCODE_LEFT, true, false, false);
    inputPadButton(&in, PAD_LEFT, false, 0);
    inputKey(&in, SDL_SCANCODE_LEFT, false, false, false);
    EXPECT_EQ(drain(&in), "down:" + L + " down:" + L + " down:" + L);  // the stick still holds Left
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
    Message m{};
    ASSERT_TRUE(inputNext(&in, late + 10 * PAD_REPEAT_PERIOD_MS, 0, 0, &m));
    EXPECT_EQ(m.wParam, VK_UP);
    ASSERT_TRUE(inputNext(&in, late + 10 * PAD_REPEAT_PERIOD_MS, 0, 0, &m));
    EXPECT_EQ(m.wParam, VK_SPACE);

    inputPadButton(&in, PAD_SOUTH, false, late);
    EXPECT_EQ(drain(&in, late + 100000), "up:" + SP);
}

TEST(PadInput, UnplugAndFocusLossReleaseEverythingHeld) {
    InputState in{};
    inputPadButton(&in, PAD_SOUTH, true, 0);
    inputPadAxis(&in, PAD_AXIS_LEFTY, -30000);
    inputKey(&in, SDL_SCANCODE_LEFT, true, false, false);
    drain(&in);
    inputPadsReleased(&in);
    EXPECT_EQ(drain(&in, 100000), "up:" + SP + " up:" + U);  // no repeat after the unplug
    inputFocusLost(&in);
    EXPECT_EQ(drain(&in), "up:" + L);
    inputFocusLost(&in);  // nothing left down
    EXPECT_EQ(drain(&in), "");
}

TEST(Letterbox, FourByThreeAsLargeAsFitsCentred) {
    const struct {
        int w, h;
        ViewRect r;
    } cases[] = {{640, 480, {0, 0, 640, 480}},
                 {1280, 960, {0, 0, 1280, 960}},
                 {1920, 1080, {240, 0, 1440, 1080}},
                 {800, 1000, {0, 200, 800, 600}},
                 {625, 452, {11, 0, 603, 452}},
                 {3, 2, {0, 0, 3, 2}},
                 {1, 1, {0, 0, 1, 1}},
                 {0, 480, {0, 0, 0, 0}},
                 {2560, 1600, {213, 0, 2133, 1600}}};
    for (const auto& c : cases) {
        ViewRect r = letterbox(c.w, c.h);
        EXPECT_EQ(r.x, c.r.x) << c.w << "x" << c.h;
        EXPECT_EQ(r.y, c.r.y) << c.w << "x" << c.h;
        EXPECT_EQ(r.w, c.r.w) << c.w << "x" << c.h;
        EXPECT_EQ(r.h, c.r.h) << c.w << "x" << c.h;
    }
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

TEST(HeadlessMessages, FullscreenKeysNeverReachTheProcedure) {
    Message m{};
    while (peekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
    const bool before = headlessFullscreen();
    headlessKeyEvent(SDL_SCANCODE_F11, true, false, false);
    headlessKeyEvent(SDL_SCANCODE_F11, false, false, false);
    EXPECT_NE(headlessFullscreen(), before);
    headlessKeyEvent(SDL_SCANCODE_LALT, true, false, true);
    headlessKeyEvent(SDL_SCANCODE_RETURN, true, false, true);
    headlessKeyEvent(SDL_SCANCODE_RETURN, false, false, true);
    EXPECT_EQ(headlessFullscreen(), before);
    while (peekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
        EXPECT_NE(m.wParam, 0x7Au) << "F11";
        EXPECT_NE(m.wParam, 0x0Du) << "Enter";
    }
}

TEST(HeadlessExit, EndsTheProcessWithTheCode) { EXPECT_EXIT(exitProcess(3), ::testing::ExitedWithCode(3), ""); }
