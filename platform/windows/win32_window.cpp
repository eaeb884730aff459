// win32_window.cpp — the window, messages and clock of the Windows backend: the real
// Win32 calls behind window.h and clock.h.
//
// One window, as the game makes it. The game's window procedure is reached through a
// native one that hands it our Window record; messages keep Windows' own numbers and
// virtual-key codes, so nothing is translated. The desktop window is null here, as in
// the other backends.
//
// Beyond the game's own calls, as the Linux build has them: F11 and Alt+Enter switch
// between the window and borderless fullscreen on the window's monitor (the keys
// never reach the game); when the window loses the keyboard focus, every key the game
// saw go down and not up gets a key-up, through the queue like any other message
// (Windows sends the real key-up to the window that has the focus by then). Present
// letterboxes the back buffer 4:3 into the client area (win32PresentRect).
// Lacks: gamepads.
//
// Our headers come before <windows.h>: its macros (WM_CLOSE, VK_LEFT, PM_REMOVE, ...)
// would otherwise rewrite our constants of the same names.
#include <cstdio>

#include "clock.h"
#include "layout.h"
#include "win32_exit.h"
#include "win32_internal.h"

#include "win32_system.h"
// After win32_system.h: these need <windows.h> first.
// clang-format off
#include <mmsystem.h>
// clang-format on

namespace platform {

struct Window {
    HWND hwnd;
};

namespace {

WindowClass registered{};
Window theWindow{};
MSG lastPeeked{};  // the native message behind the Message peekMessage gave out last

bool keyHeld[256];             // keys the game saw go down and not yet up
bool swallowReturnUp = false;  // Alt+Enter toggled: its Return key-up is not the game's

// Fullscreen: the frame's style and place to go back to.
bool fullscreen = false;
LONG windowedStyle = 0;
RECT windowedRect{};

constexpr LPARAM KEY_REPEATED = 1 << 30;  // lParam: the key was already down
constexpr LPARAM ALT_HELD = 1 << 29;
constexpr LPARAM KEY_UP_BITS = static_cast<LPARAM>(0xC0000001u);  // repeat 1, was down, going up

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

// The platform's own keys and the held-key record, before the game's procedure.
// True when the message is used up here. The Alt+Enter messages still go to the
// default procedure: seeing no key between Alt's press and release, it would take the
// release for a tap of Alt alone and enter the menu loop, which eats the next keys.
bool platformKeys(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const bool toggleKey = wParam == 0x7A /* F11 */ || (wParam == 0x0D /* Return */ && (lParam & ALT_HELD));
    switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (toggleKey) {
                if (!(lParam & KEY_REPEATED)) toggleFullscreen(hwnd);  // holding the key toggles once
                if (wParam == 0x0D) swallowReturnUp = true;
                return true;
            }
            if (message == WM_KEYDOWN) keyHeld[wParam & 0xFF] = true;
            return false;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            if (wParam == 0x7A || (wParam == 0x0D && swallowReturnUp)) {
                swallowReturnUp = false;
                return true;
            }
            keyHeld[wParam & 0xFF] = false;
            return false;
        case WM_KILLFOCUS:
            for (int vk = 0; vk < 256; ++vk)
                if (keyHeld[vk]) {
                    keyHeld[vk] = false;
                    PostMessageA(hwnd, WM_KEYUP, static_cast<WPARAM>(vk), KEY_UP_BITS);
                }
            return false;
        default:
            return false;
    }
}

// Every message of the game's window class, including those CreateWindowExA sends
// before it returns the handle.
LRESULT CALLBACK nativeWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!theWindow.hwnd) theWindow.hwnd = hwnd;
    if (hwnd != theWindow.hwnd || !registered.windowProc) return DefWindowProcA(hwnd, message, wParam, lParam);
    if (platformKeys(hwnd, message, wParam, lParam))
        return message == WM_SYSKEYDOWN || message == WM_SYSKEYUP ? DefWindowProcA(hwnd, message, wParam, lParam) : 0;
    return registered.windowProc(&theWindow, message, wParam, lParam);
}

}  // namespace

void win32SetLastError(const char* what, unsigned long code) {
    char detail[32];
    // Failed COM and Direct3D results (HRESULTs) read best in hexadecimal.
    std::snprintf(detail, sizeof detail, code >= 0x80000000ul ? "Windows error 0x%08lX" : "Windows error %lu", code);
    setLastError(what, detail);
}

void* win32WindowHandle(Window* window) { return window ? window->hwnd : nullptr; }

bool win32PresentRect(Window* window, int* left, int* top, int* right, int* bottom) {
    RECT client;
    if (!window || !window->hwnd || !GetClientRect(window->hwnd, &client)) return false;
    const ViewRect view = letterbox(client.right - client.left, client.bottom - client.top);
    if (view.w <= 0 || view.h <= 0) return false;
    *left = view.x;
    *top = view.y;
    *right = view.x + view.w;
    *bottom = view.y + view.h;
    return true;
}

bool win32IsFullscreen(Window* window) { return window && window->hwnd && fullscreen; }

Window* getDesktopWindow() {
    GetDesktopWindow();  // asked as the game asks; the desktop stays the null window
    return nullptr;
}

void* getModuleHandle(const char* moduleName) { return GetModuleHandleA(moduleName); }

uint16_t registerClass(const WindowClass* windowClass) {
    if (!windowClass || !windowClass->windowProc || !windowClass->className) return 0;
    WNDCLASSA native{};
    native.style = windowClass->style;
    native.lpfnWndProc = nativeWindowProc;
    native.hInstance = static_cast<HINSTANCE>(windowClass->instance);
    native.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // the arrow
    native.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    native.lpszClassName = windowClass->className;
    const ATOM atom = RegisterClassA(&native);
    if (atom == 0) {
        win32SetLastError("registering the window class", GetLastError());
        return 0;
    }
    registered = *windowClass;
    return atom;
}

Window* createWindow(uint32_t exStyle, const char* className, const char* caption, uint32_t style, int x, int y,
                     int width, int height, Window* parent, void* menu, void* instance, void* param) {
    theWindow.hwnd = nullptr;
    HWND hwnd =
        CreateWindowExA(exStyle, className, caption, style, x, y, width, height, parent ? parent->hwnd : nullptr,
                        static_cast<HMENU>(menu), static_cast<HINSTANCE>(instance), param);
    if (!hwnd) {
        const DWORD code = GetLastError();
        // Wine without an X display fails so, with no reason given.
        if (code == 0)
            setLastError("no display", "Windows made no window and gave no reason; under Wine, set DISPLAY");
        else
            win32SetLastError("window creation", code);
        theWindow.hwnd = nullptr;
        return nullptr;
    }
    theWindow.hwnd = hwnd;
    return &theWindow;
}

int showCursor(bool show) { return ShowCursor(show ? TRUE : FALSE); }

bool peekMessage(Message* msg, Window* window, uint32_t filterMin, uint32_t filterMax, uint32_t remove) {
    MSG native;
    if (!PeekMessageA(&native, window ? window->hwnd : nullptr, filterMin, filterMax, remove)) return false;
    lastPeeked = native;
    msg->window = native.hwnd && native.hwnd == theWindow.hwnd ? &theWindow : nullptr;
    msg->message = native.message;
    msg->wParam = native.wParam;
    msg->lParam = native.lParam;
    return true;
}

intptr_t dispatchMessage(const Message* msg) {
    if (!msg) return 0;
    // The message just peeked goes through Windows (timers and system messages need
    // the native record); one the caller made up goes straight to its window.
    if (msg->message == lastPeeked.message && msg->wParam == lastPeeked.wParam && msg->lParam == lastPeeked.lParam &&
        win32WindowHandle(msg->window) == lastPeeked.hwnd)
        return DispatchMessageA(&lastPeeked);
    if (!msg->window || !registered.windowProc) return 0;
    return registered.windowProc(msg->window, msg->message, msg->wParam, msg->lParam);
}

intptr_t defWindowProc(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return DefWindowProcA(window ? window->hwnd : nullptr, message, wParam, lParam);
}

void exitProcess(int code) {
    std::fflush(nullptr);
    win32RunExitHooks();
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

uint32_t timeGetTime() { return ::timeGetTime(); }

}  // namespace platform
