// headless_window.cpp — the headless backends' window, messages, clock and exit, and
// the controls tests and tools drive them with. No SDL: the same code serves the
// drawing headless backend (headless_backend.cpp) and the state-only one
// (headless_log.cpp).
//
// Input: queued messages, or raw keys, pad events and focus loss translated by the
// same code as the real window's (the fullscreen toggle is ignored: there is no window).
// Lacks: a visible window, a real clock, the mouse cursor (showCursor only counts).
#include <cstdio>
#include <cstdlib>

#include "backend_internal.h"
#include "clock.h"
#include "headless.h"
#include "input.h"

namespace platform {

struct Window {
    WindowClass windowClass;
};

namespace {

Window theWindow{};
bool haveWindow = false;
int cursorCount = 0;
uint32_t clockMs = 0;
InputState input{};
void (*exitHandler)(int) = nullptr;

}  // namespace

// --- window and messages ---

Window* createWindow(uint32_t, const char* className, const char*, uint32_t, int, int, int, int, Window*, void*, void*,
                     void*) {
    const WindowClass* windowClass = registeredClass(className);
    if (!windowClass) return nullptr;
    theWindow.windowClass = *windowClass;
    haveWindow = true;
    return &theWindow;
}

int showCursor(bool show) { return show ? ++cursorCount : --cursorCount; }

bool peekMessage(Message* msg, Window*, uint32_t filterMin, uint32_t filterMax, uint32_t remove) {
    // Without PM_REMOVE the message would have to stay queued; the game always removes.
    (void)remove;
    if (!inputNext(&input, clockMs, filterMin, filterMax, msg)) return false;
    msg->window = haveWindow ? &theWindow : nullptr;
    return true;
}

intptr_t dispatchMessage(const Message* msg) {
    if (!msg || !msg->window || !msg->window->windowClass.windowProc) return 0;
    return msg->window->windowClass.windowProc(msg->window, msg->message, msg->wParam, msg->lParam);
}

void exitProcess(int code) {
    if (exitHandler) exitHandler(code);
    std::fflush(nullptr);
    std::_Exit(code);
}

// --- clock ---

uint32_t timeGetTime() { return clockMs; }

// --- headless controls ---

void headlessSetClock(uint32_t ms) { clockMs = ms; }

void headlessQueueMessage(const Message& message) { inputPush(&input, message); }

int headlessQueuedMessages() { return input.count; }

void headlessKeyEvent(int scancode, bool down, bool repeat, bool altHeld) {
    inputKey(&input, scancode, down, repeat, altHeld);  // no window to make fullscreen here
}

void headlessPadButton(int button, bool down) { inputPadButton(&input, button, down, clockMs); }
void headlessPadAxis(int axis, int value) { inputPadAxis(&input, axis, value); }
void headlessPadsRemoved() { inputPadsReleased(&input); }
void headlessFocusLost() { inputFocusLost(&input); }

const SpriteDrawRecord* headlessSpriteDraws(int* count) {
    SpriteBatch* batch = spriteLastBatch();
    *count = batch ? batch->count : 0;
    return batch ? batch->draws : nullptr;
}

void headlessSetExitHandler(void (*handler)(int code)) { exitHandler = handler; }

}  // namespace platform
