// win32_window.cpp — the window, messages and clock of the Windows backend: the real
// Win32 calls behind window.h and clock.h.
//
// One window, as the game makes it. The game's window procedure is reached through a
// native one that hands it our Window record; messages keep Windows' own numbers and
// virtual-key codes, so nothing is translated. The desktop window is null here, as in
// the other backends.
// Lacks (yet): fullscreen on F11 / Alt+Enter, key-ups on focus loss, gamepads.
//
// Our headers come before <windows.h>: its macros (WM_CLOSE, VK_LEFT, PM_REMOVE, ...)
// would otherwise rewrite our constants of the same names.
#include <cstdio>

#include "clock.h"
#include "win32_internal.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
// <mmsystem.h> needs <windows.h> before it.
// clang-format off
#include <windows.h>
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

// Every message of the game's window class, including those CreateWindowExA sends
// before it returns the handle.
LRESULT CALLBACK nativeWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!theWindow.hwnd) theWindow.hwnd = hwnd;
    if (hwnd != theWindow.hwnd || !registered.windowProc) return DefWindowProcA(hwnd, message, wParam, lParam);
    return registered.windowProc(&theWindow, message, wParam, lParam);
}

}  // namespace

void win32SetLastError(const char* what, unsigned long code) {
    char detail[32];
    std::snprintf(detail, sizeof detail, "Windows error %lu", code);
    setLastError(what, detail);
}

void* win32WindowHandle(Window* window) { return window ? window->hwnd : nullptr; }

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
        win32SetLastError("window creation", GetLastError());
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
    ExitProcess(static_cast<UINT>(code));
}

uint32_t timeGetTime() { return ::timeGetTime(); }

}  // namespace platform
