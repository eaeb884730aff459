// The Windows backend's window and messages on a real (Wine) desktop: the window is
// made where and as large as asked, messages posted to it come back through the peek
// with Windows' own numbers and reach the game's procedure through dispatch, the clock
// moves with real time; F11 and Alt+Enter switch fullscreen without the game seeing
// them, and focus loss lets go of the keys the game holds.
//
// Windows' own macros name the messages and keys below (our constants of the same
// names are the same numbers), so <windows.h> comes after our headers.
#include <gtest/gtest.h>

#include <vector>

#include "platform/clock.h"
#include "platform/layout.h"
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

TEST(Win32Window, FocusLossSendsKeyUpsForTheKeysStillHeld) {
    ASSERT_NE(theWindow(), nullptr) << platform::lastError();
    pump();
    seen.clear();
    HWND hwnd = static_cast<HWND>(platform::win32WindowHandle(theWindow()));
    PostMessageA(hwnd, WM_KEYDOWN, VK_RIGHT, 0);
    PostMessageA(hwnd, WM_KEYDOWN, VK_SPACE, 0);
    PostMessageA(hwnd, WM_KEYDOWN, VK_UP, 0);
    PostMessageA(hwnd, WM_KEYUP, VK_SPACE, 0);
    pump();
    seen.clear();
    SendMessageA(hwnd, WM_KILLFOCUS, 0, 0);
    pump();
    ASSERT_EQ(seen.size(), 2u);  // Right and Up, in key order; Space was already up
    EXPECT_EQ(seen[0].message, WM_KEYUP);
    EXPECT_EQ(seen[0].wParam, VK_UP);
    EXPECT_EQ(seen[1].message, WM_KEYUP);
    EXPECT_EQ(seen[1].wParam, VK_RIGHT);
    // Nothing is held any more: a second focus loss sends nothing.
    seen.clear();
    SendMessageA(hwnd, WM_KILLFOCUS, 0, 0);
    pump();
    EXPECT_TRUE(seen.empty());
}

TEST(Win32Window, F11AndAltEnterSwitchFullscreenAndBackUnseenByTheGame) {
    ASSERT_NE(theWindow(), nullptr) << platform::lastError();
    pump();
    seen.clear();
    HWND hwnd = static_cast<HWND>(platform::win32WindowHandle(theWindow()));
    RECT before, r, client;
    GetWindowRect(hwnd, &before);
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);

    PostMessageA(hwnd, WM_KEYDOWN, VK_F11, 1);
    PostMessageA(hwnd, WM_KEYDOWN, VK_F11, 1 | 1 << 30);  // auto-repeat: no second switch
    PostMessageA(hwnd, WM_KEYUP, VK_F11, static_cast<LPARAM>(0xC0000001u));
    pump();
    EXPECT_TRUE(platform::win32IsFullscreen(theWindow()));
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(std::vector<long>({r.left, r.top, r.right, r.bottom}), std::vector<long>({0, 0, screenW, screenH}));
    EXPECT_FALSE(GetWindowLongA(hwnd, GWL_STYLE) & WS_CAPTION);
    // The back buffer goes letterboxed 4:3 into the whole screen.
    GetClientRect(hwnd, &client);
    const platform::ViewRect view = platform::letterbox(client.right, client.bottom);
    int left, top, right, bottom;
    ASSERT_TRUE(platform::win32PresentRect(theWindow(), &left, &top, &right, &bottom));
    EXPECT_EQ(std::vector<int>({left, top, right, bottom}),
              std::vector<int>({view.x, view.y, view.x + view.w, view.y + view.h}));
    EXPECT_EQ(client.right, screenW);

    // Alt+Enter: back to the window as it was, caption and all.
    PostMessageA(hwnd, WM_SYSKEYDOWN, VK_RETURN, 1 | 1 << 29);
    PostMessageA(hwnd, WM_SYSKEYUP, VK_RETURN, static_cast<LPARAM>(0xE0000001u));
    pump();
    EXPECT_FALSE(platform::win32IsFullscreen(theWindow()));
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(std::vector<long>({r.left, r.top, r.right, r.bottom}),
              std::vector<long>({before.left, before.top, before.right, before.bottom}));
    EXPECT_TRUE(GetWindowLongA(hwnd, GWL_STYLE) & WS_CAPTION);
    // Return without Alt is an ordinary key.
    PostMessageA(hwnd, WM_KEYDOWN, VK_RETURN, 1);
    pump();
    EXPECT_FALSE(platform::win32IsFullscreen(theWindow()));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].wParam, VK_RETURN);
}
