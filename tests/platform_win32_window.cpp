// The Windows backend's window and messages on a real (Wine) desktop: the window is
// made where and as large as asked, messages posted to it come back through the peek
// with Windows' own numbers and reach the game's procedure through dispatch, and the
// clock moves with real time.
//
// Windows' own macros name the messages and keys below (our constants of the same
// names are the same numbers), so <windows.h> comes after our headers.
#include <gtest/gtest.h>

#include <vector>

#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/win32_internal.h"
#include "platform/window.h"

// After our headers, see above.
// clang-format off
#include <windows.h>
// clang-format on

namespace {

struct Seen {
    uint32_t message;
    uintptr_t wParam;
};
std::vector<Seen> seen;

intptr_t recordingProc(platform::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CLOSE) {
        seen.push_back({message, wParam});
        return 0;  // as the game: close is its own decision
    }
    return platform::defWindowProc(window, message, wParam, lParam);
}

platform::Window* theWindow() {
    static platform::Window* window = [] {
        static platform::WindowClass windowClass{8, recordingProc, platform::getModuleHandle(nullptr), "SkarvoTest"};
        EXPECT_NE(platform::registerClass(&windowClass), 0) << platform::lastError();
        // The game's style: visible, overlapped, caption, system menu, sizing frame, min/max boxes.
        return platform::createWindow(0, "SkarvoTest", "Skarvo", 0x10CF0000, 0, 0, 640, 480, nullptr, nullptr,
                                      windowClass.instance, nullptr);
    }();
    return window;
}

void pump() {
    platform::Message m;
    while (platform::peekMessage(&m, theWindow(), 0, 0, PM_REMOVE)) platform::dispatchMessage(&m);
}

}  // namespace

TEST(Win32Window, MadeWithTheCaptionPlaceAndOuterSizeAsked) {
    platform::Window* window = theWindow();
    ASSERT_NE(window, nullptr) << platform::lastError();
    HWND hwnd = static_cast<HWND>(platform::win32WindowHandle(window));
    char caption[32] = "";
    GetWindowTextA(hwnd, caption, sizeof caption);
    EXPECT_STREQ(caption, "Skarvo");
    RECT r;
    ASSERT_TRUE(GetWindowRect(hwnd, &r));
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right - r.left, 640);
    EXPECT_EQ(r.bottom - r.top, 480);
    EXPECT_TRUE(IsWindowVisible(hwnd));
}

TEST(Win32Window, PostedKeysAndCloseReachTheProcedureInOrder) {
    ASSERT_NE(theWindow(), nullptr) << platform::lastError();
    pump();
    seen.clear();
    HWND hwnd = static_cast<HWND>(platform::win32WindowHandle(theWindow()));
    PostMessageA(hwnd, WM_KEYDOWN, VK_RIGHT, 0);
    PostMessageA(hwnd, WM_KEYUP, VK_RIGHT, 0);
    PostMessageA(hwnd, WM_KEYDOWN, VK_SPACE, 0);
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    pump();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].message, WM_KEYDOWN);
    EXPECT_EQ(seen[0].wParam, VK_RIGHT);
    EXPECT_EQ(seen[1].message, WM_KEYUP);
    EXPECT_EQ(seen[2].wParam, VK_SPACE);
    EXPECT_EQ(seen[3].message, WM_CLOSE);
    // The procedure kept the window on close.
    EXPECT_TRUE(IsWindow(hwnd));
}

TEST(Win32Window, PeekFilterLeavesOtherMessagesQueued) {
    ASSERT_NE(theWindow(), nullptr) << platform::lastError();
    pump();
    HWND hwnd = static_cast<HWND>(platform::win32WindowHandle(theWindow()));
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    PostMessageA(hwnd, WM_KEYDOWN, VK_LEFT, 0);
    platform::Message m;
    ASSERT_TRUE(platform::peekMessage(&m, theWindow(), WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));
    EXPECT_EQ(m.message, WM_KEYDOWN);
    EXPECT_EQ(m.window, theWindow());
    ASSERT_TRUE(platform::peekMessage(&m, theWindow(), WM_CLOSE, WM_CLOSE, PM_REMOVE));
    EXPECT_EQ(m.message, WM_CLOSE);
}

TEST(Win32Window, ClockFollowsRealTime) {
    const uint32_t start = platform::timeGetTime();
    Sleep(50);
    const uint32_t elapsed = platform::timeGetTime() - start;
    EXPECT_GE(elapsed, 40u);
    EXPECT_LT(elapsed, 2000u);
}
