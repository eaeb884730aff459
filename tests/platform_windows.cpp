// The Windows backend's window on a real (Wine) desktop: its caption, place and size;
// native key, focus and close messages as the seam's events; F11 and Alt+Enter. Its
// drawing is platform_render.cpp's, shared with Linux. One window per process, as in
// the game.
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "platform/letterbox.h"
#include "platform/windows/backend.h"

namespace platform {
bool operator==(const Event& a, const Event& b) {
    return a.type == b.type && (a.type == EventType::CLOSE || (a.key == b.key && a.repeat == b.repeat));
}
void PrintTo(const Event& e, std::ostream* os) {
    *os << "{type " << int(e.type) << ", key " << int(e.key) << (e.repeat ? ", repeat}" : "}");
}
}  // namespace platform

namespace {

using platform::Event;
using platform::EventType;
using platform::Key;

constexpr LPARAM REPEAT = 1 << 30, ALT = 1 << 29;
constexpr LPARAM UP_BITS = static_cast<LPARAM>(0xC0000001u);  // repeat 1, was down, going up
const Event CLOSE{EventType::CLOSE, Key::ESCAPE, false};

Event down(Key k, bool repeat = false) { return Event{EventType::KEY_DOWN, k, repeat}; }
Event up(Key k) { return Event{EventType::KEY_UP, k, false}; }

// The window and device the game opens, made once.
bool ready() {
    static const bool opened = platform::openWindow("Skarvo", 640, 480) && platform::openDevice();
    return opened;
}

HWND hwnd() { return platform::windowHandle(); }

struct Posted {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

Posted key(WPARAM vk, LPARAM bits = 0) { return Posted{WM_KEYDOWN, vk, 1 | bits}; }
Posted keyUp(WPARAM vk, LPARAM bits = 0) { return Posted{WM_KEYUP, vk, UP_BITS | bits}; }

// Posts the messages (WM_QUIT to the thread, as PostQuitMessage does), then takes every
// event they give, one pollEvent at a time.
std::vector<Event> events(const std::vector<Posted>& posted = {}) {
    for (const Posted& p : posted)
        p.message == WM_QUIT ? PostQuitMessage(0) : void(PostMessageA(hwnd(), p.message, p.wParam, p.lParam));
    std::vector<Event> got;
    Event e;
    for (int calls = 0; calls < 200; ++calls)
        if (platform::pollEvent(&e)) got.push_back(e);
    return got;
}

// No key held, nothing waiting.
void reset() {
    SendMessageA(hwnd(), WM_KILLFOCUS, 0, 0);
    events();
}

std::vector<long> corners(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
std::vector<long> windowRect() {
    RECT r{};
    GetWindowRect(hwnd(), &r);
    return corners(r);
}
bool captioned() { return GetWindowLongA(hwnd(), GWL_STYLE) & WS_CAPTION; }

}  // namespace

TEST(WindowsWindow, CaptionedAtTheTopLeftWithTheOuterSizeAskedCursorHidden) {
    ASSERT_TRUE(ready()) << platform::lastError();
    char caption[32] = "";
    GetWindowTextA(hwnd(), caption, sizeof caption);
    EXPECT_STREQ(caption, "Skarvo");
    EXPECT_EQ(windowRect(), std::vector<long>({0, 0, 640, 480}));
    EXPECT_TRUE(IsWindowVisible(hwnd()));
    EXPECT_TRUE(captioned());
    EXPECT_EQ(ShowCursor(TRUE), 0) << "the cursor was not hidden";
    ShowCursor(FALSE);
}

// Each row starts with no key held and nothing waiting.
TEST(WindowsWindow, NativeMessagesBecomeTheGamesEvents) {
    ASSERT_TRUE(ready()) << platform::lastError();
    const Posted FOCUS_LOST{WM_KILLFOCUS, 0, 0};
    const struct {
        const char* name;
        std::vector<Posted> posted;
        std::vector<Event> expected;
    } cases[] = {
        {"the game's keys",
         {key(VK_LEFT), key(VK_RIGHT), key(VK_UP), key(VK_DOWN), key(VK_SPACE), keyUp(VK_SPACE), key(VK_ESCAPE)},
         {down(Key::LEFT), down(Key::RIGHT), down(Key::UP), down(Key::DOWN), down(Key::SPACE), up(Key::SPACE),
          down(Key::ESCAPE)}},
        {"auto-repeat", {key(VK_SPACE, REPEAT)}, {down(Key::SPACE, true)}},
        {"other keys; F11 held and Return are the system's",
         {key('A'), key(VK_RETURN), keyUp(VK_RETURN), key(VK_F11, REPEAT)},
         {}},
        {"Alt+key is the system's; a key let go under Alt is let go",
         {{WM_SYSKEYDOWN, VK_LEFT, 1 | ALT}, {WM_SYSKEYUP, VK_LEFT, UP_BITS | ALT}},
         {up(Key::LEFT)}},
        {"focus loss lets go of the keys still held, once",
         {key(VK_RIGHT), key(VK_SPACE), key(VK_UP), keyUp(VK_SPACE), FOCUS_LOST, FOCUS_LOST},
         {down(Key::RIGHT), down(Key::SPACE), down(Key::UP), up(Key::SPACE), up(Key::RIGHT), up(Key::UP)}},
        {"close", {{WM_CLOSE, 0, 0}}, {CLOSE}},
        {"quit", {{WM_QUIT, 0, 0}}, {CLOSE}},
    };
    for (const auto& c : cases) {
        reset();
        EXPECT_EQ(events(c.posted), c.expected) << c.name;
        EXPECT_FALSE(platform::isFullscreen()) << c.name;
    }
    // The close message is the game's to act on: the default procedure would destroy the window.
    EXPECT_TRUE(IsWindow(hwnd()));
}

// The game takes at most one event a frame; the others wait in Windows' queue.
TEST(WindowsWindow, OneNativeMessageAPoll) {
    ASSERT_TRUE(ready()) << platform::lastError();
    reset();
    PostMessageA(hwnd(), WM_KEYDOWN, VK_RIGHT, 1);
    PostMessageA(hwnd(), WM_KEYDOWN, VK_LEFT, 1);
    Event e;
    ASSERT_TRUE(platform::pollEvent(&e));
    EXPECT_EQ(e, down(Key::RIGHT));
    MSG waiting;
    EXPECT_TRUE(PeekMessageA(&waiting, hwnd(), WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE)) << "the second key was taken too";
    EXPECT_EQ(events(), std::vector<Event>({down(Key::LEFT)}));
}

TEST(WindowsWindow, F11AndAltEnterSwitchFullscreenAndBackUnseenByTheGame) {
    ASSERT_TRUE(ready()) << platform::lastError();
    reset();
    const std::vector<long> before = windowRect();
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    // Held, F11 switches once: the whole screen without a caption, the back buffer
    // letterboxed 4:3 into it.
    EXPECT_TRUE(events({key(VK_F11), key(VK_F11, REPEAT), keyUp(VK_F11)}).empty());
    EXPECT_TRUE(platform::isFullscreen());
    EXPECT_EQ(windowRect(), std::vector<long>({0, 0, screenW, screenH}));
    EXPECT_FALSE(captioned());
    const platform::ViewRect view = platform::letterbox(screenW, screenH);
    RECT place;
    ASSERT_TRUE(platform::presentRect(&place));
    EXPECT_EQ(corners(place), std::vector<long>({view.x, view.y, view.x + view.w, view.y + view.h}));
    // Alt+Enter: back to the window as it was, caption and all.
    EXPECT_TRUE(events({{WM_SYSKEYDOWN, VK_RETURN, 1 | ALT}, {WM_SYSKEYUP, VK_RETURN, UP_BITS | ALT}}).empty());
    EXPECT_FALSE(platform::isFullscreen());
    EXPECT_EQ(windowRect(), before);
    EXPECT_TRUE(captioned());
}
