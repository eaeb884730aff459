// window.cpp — the Windows backend (Win32, Direct3D 9, DirectSound, WIC): window,
// events, clock, exit and thread priority. The device, frame and textures are
// d3d9.cpp's, the sprite drawing d3d9_sprite.cpp's, PNG decoding image_wic.cpp's, the
// sound ring sound_ring.cpp's.
//
// Implements: one window as the game makes it (class style CS_DBLCLKS, overlapped and
// visible, 640 × 480 outer size at the top left, cursor hidden), its keys as events
// (virtual-key codes of the arrows, Space and Escape, auto-repeat from the message's
// previous-state bit; the key messages still reach the default procedure as they did
// the game's), close (WM_CLOSE, kept from the default procedure, which would destroy
// the window; WM_QUIT), F11 and Alt+Enter switching to borderless fullscreen on the
// window's monitor and back (never the game's keys), a key-up for every key the game
// holds when the window loses the focus, immediate exit after the exit hooks (a message
// box for a start-up failure when there is no standard error), the millisecond clock
// (timeGetTime) and the highest ordinary thread priority.
// Lacks: gamepads, the mouse, more than one window.
#include <cstdio>

#include "platform/input.h"
#include "platform/last_error.h"
#include "platform/letterbox.h"
#include "platform/windows/backend.h"

// After backend.h: needs <windows.h> first.
#include <mmsystem.h>

namespace platform {

namespace {

HWND window = nullptr;
InputState input{};
bool swallowReturnUp = false;  // Alt+Enter toggled: its Return key-up is not the game's

// Fullscreen: the frame's style and place to go back to.
bool fullscreen = false;
LONG windowedStyle = 0;
RECT windowedRect{};

constexpr int MAX_EXIT_HOOKS = 4;  // the graphics device and the sound ring
void (*exitHooks[MAX_EXIT_HOOKS])() = {};
int exitHookCount = 0;

constexpr LPARAM KEY_REPEATED = 1 << 30;  // lParam: the key was already down
constexpr LPARAM ALT_HELD = 1 << 29;

void toggleFullscreen(HWND hwnd) {
    if (!fullscreen) {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        if (!GetMonitorInfoA(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor)) return;
        windowedStyle = GetWindowLongA(hwnd, GWL_STYLE);
        GetWindowRect(hwnd, &windowedRect);
        SetWindowLongA(hwnd, GWL_STYLE, (windowedStyle & ~static_cast<LONG>(WS_OVERLAPPEDWINDOW)) | WS_POPUP);
        const RECT& m = monitor.rcMonitor;
        SetWindowPos(hwnd, HWND_TOP, m.left, m.top, m.right - m.left, m.bottom - m.top,
                     SWP_FRAMECHANGED | SWP_NOOWNERZORDER | SWP_SHOWWINDOW);
    } else {
        SetWindowLongA(hwnd, GWL_STYLE, windowedStyle);
        const RECT& r = windowedRect;
        SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_FRAMECHANGED | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_SHOWWINDOW);
    }
    fullscreen = !fullscreen;
    InvalidateRect(hwnd, nullptr, TRUE);  // the bars beside the picture are painted black
}

// F11 and Alt+Enter. True when the message is used up here. The Alt+Enter messages
// still go on to the default procedure: seeing no key between Alt's press and
// release, it would take the release for a tap of Alt alone and enter the menu loop,
// which eats the next keys.
bool fullscreenKeys(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    if (down && (wParam == VK_F11 || (wParam == VK_RETURN && (lParam & ALT_HELD)))) {
        if (!(lParam & KEY_REPEATED)) toggleFullscreen(hwnd);  // holding the key toggles once
        if (wParam == VK_RETURN) swallowReturnUp = true;
        return true;
    }
    if (!down && (wParam == VK_F11 || (wParam == VK_RETURN && swallowReturnUp))) {
        swallowReturnUp = false;
        return true;
    }
    return false;
}

// The game's keys by virtual-key code.
constexpr struct {
    WPARAM vk;
    Key key;
} GAME_KEYS[] = {{VK_LEFT, Key::LEFT}, {VK_RIGHT, Key::RIGHT}, {VK_UP, Key::UP},
                 {VK_DOWN, Key::DOWN}, {VK_SPACE, Key::SPACE}, {VK_ESCAPE, Key::ESCAPE}};

bool gameKey(WPARAM vk, Key* key) {
    for (const auto& k : GAME_KEYS) {
        if (k.vk != vk) continue;
        *key = k.key;
        return true;
    }
    return false;
}

// Every message of the window, those CreateWindowExA sends before it returns included.
LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP: {
            if (fullscreenKeys(hwnd, message, wParam, lParam)) {
                const bool system = message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
                return system ? DefWindowProcA(hwnd, message, wParam, lParam) : 0;
            }
            // Alt+key is the system's; a key let go while Alt is held is still let go.
            Key key;
            if (message != WM_SYSKEYDOWN && gameKey(wParam, &key))
                inputKey(&input, key, message == WM_KEYDOWN, (lParam & KEY_REPEATED) != 0);
            break;
        }
        case WM_KILLFOCUS:
            inputFocusLost(&input);
            break;
        case WM_CLOSE:
            inputPush(&input, Event{EventType::CLOSE, Key::ESCAPE, false});
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

void setLastErrorCode(const char* what, unsigned long code) {
    char detail[32];
    // Failed COM and Direct3D results (HRESULTs) read best in hexadecimal.
    std::snprintf(detail, sizeof detail, code >= 0x80000000ul ? "Windows error 0x%08lX" : "Windows error %lu", code);
    setLastError(what, detail);
}

HWND windowHandle() { return window; }

bool presentRect(RECT* rect) {
    RECT client;
    if (!window || !GetClientRect(window, &client)) return false;
    const ViewRect view = letterbox(client.right - client.left, client.bottom - client.top);
    if (view.w <= 0 || view.h <= 0) return false;
    *rect = RECT{view.x, view.y, view.x + view.w, view.y + view.h};
    return true;
}

bool isFullscreen() { return window && fullscreen; }

void atExit(void (*hook)()) {
    for (int i = 0; i < exitHookCount; ++i)
        if (exitHooks[i] == hook) return;
    if (hook && exitHookCount < MAX_EXIT_HOOKS) exitHooks[exitHookCount++] = hook;
}

void runExitHooks() {
    while (exitHookCount > 0) exitHooks[--exitHookCount]();
}

// [SECTION] window and events

bool openWindow(const char* title, int width, int height) {
    if (window) return true;
    WNDCLASSA windowClass{};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // the arrow
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = title;
    if (!RegisterClassA(&windowClass)) {
        setLastErrorCode("registering the window class", GetLastError());
        return false;
    }
    // The size is the frame's outer size, as the game has always asked for it.
    window = CreateWindowExA(0, title, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr,
                             windowClass.hInstance, nullptr);
    if (!window) {
        const DWORD code = GetLastError();
        // Wine without an X display fails so, with no reason given.
        if (code == 0)
            setLastError("no display", "Windows made no window and gave no reason; under Wine, set DISPLAY");
        else
            setLastErrorCode("window creation", code);
        UnregisterClassA(title, windowClass.hInstance);
        return false;
    }
    ShowCursor(FALSE);
    return true;
}

bool pollEvent(Event* out) {
    // One message of the window at most, and none while its events wait.
    MSG message;
    if (input.count == 0 && window && PeekMessageA(&message, window, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            inputPush(&input, Event{EventType::CLOSE, Key::ESCAPE, false});
        else
            DispatchMessageA(&message);
    }
    return inputNext(&input, clockMs(), out);
}

void exitProcess(int code) {
    std::fflush(nullptr);
    runExitHooks();
    // A failure the user would never see: started from the desktop, a windows-subsystem
    // program has no standard error, so the reason is shown in a box instead.
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (code != 0 && (err == nullptr || err == INVALID_HANDLE_VALUE)) {
        char text[320];
        std::snprintf(text, sizeof text, "Skarvo could not start.\n\n%s", lastError());
        MessageBoxA(nullptr, text, "Skarvo", MB_OK | MB_ICONERROR);
    }
    ExitProcess(static_cast<UINT>(code));
}

// [SECTION] clock and threads

uint32_t clockMs() { return timeGetTime(); }

void raiseThreadPriority() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST); }

}  // namespace platform
