// window.h — the game window, its message queue and the process exit.
//
// One window class with a window procedure, one window. A peek takes at most one
// pending message (key-down including auto-repeat, key-up, close) and dispatch hands
// it to the class's window procedure, on the calling thread.
//
//   platform::WindowClass wc{8, windowProc, platform::getModuleHandle(nullptr), "Skarvo"};
//   platform::registerClass(&wc);
//   Window* w = platform::createWindow(0, "Skarvo", "Skarvo", 0x10CF0000, 0, 0, 640, 480,
//                                      nullptr, nullptr, wc.instance, nullptr);
//   platform::Message msg;
//   if (platform::peekMessage(&msg, w, 0, 0, platform::PM_REMOVE)) platform::dispatchMessage(&msg);
//
// Sizes and positions are in screen pixels; the window's size is its outer size.
#pragma once

#include <cstdint>

#include "messages.h"

namespace platform {

struct WindowClass {
    uint32_t style;
    WindowProc windowProc;
    void* instance;
    const char* className;
};

constexpr uint32_t PM_REMOVE = 1;

// The desktop window: a null window, which only the default window procedure sees.
Window* getDesktopWindow();
// A token for the running program (never null).
void* getModuleHandle(const char* moduleName);
// Registers the class; 0 on failure (no procedure or no name), else a nonzero atom.
uint16_t registerClass(const WindowClass* windowClass);
// Creates the one window of a registered class, shown at once. Null on failure;
// platform::lastError() says why.
Window* createWindow(uint32_t exStyle, const char* className, const char* caption, uint32_t style, int x, int y,
                     int width, int height, Window* parent, void* menu, void* instance, void* param);
// Hides (false) or shows (true) the mouse cursor over the window; returns the new
// display count (-1 hidden, 0 shown).
int showCursor(bool show);
// Takes at most one pending message for `window` (or any window when null) into `msg`.
// Returns true when a message was taken. `filterMin`/`filterMax` 0/0 mean all messages.
bool peekMessage(Message* msg, Window* window, uint32_t filterMin, uint32_t filterMax, uint32_t remove);
// Calls the window procedure of the message's window; 0 when it has none.
intptr_t dispatchMessage(const Message* msg);
// The default handling: ignores everything, returns 0.
intptr_t defWindowProc(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Ends the process at once with `code` (stdio is flushed, nothing else is run).
[[noreturn]] void exitProcess(int code);

// A short description of the last failure of a platform call ("" if none).
const char* lastError();

}  // namespace platform
