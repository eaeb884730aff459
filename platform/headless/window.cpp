// window.cpp — the headless backend's window, events, clock, exit and thread priority,
// and the controls tests and tools drive them with. No SDL: the same code serves the
// drawing headless backend (pixels.cpp) and the one that keeps no pixels (log.cpp).
// Lacks: a visible window, a real clock, the mouse cursor; the thread priority stays.
#include <cstdio>
#include <cstdlib>

#include "platform/headless/headless.h"
#include "platform/input.h"

namespace platform {

namespace {

uint32_t nowMs = 0;
InputState input{};
void (*exitHandler)(int) = nullptr;

}  // namespace

bool openWindow(const char*, int, int) { return true; }

bool pollEvent(Event* out) { return inputNext(&input, nowMs, out); }

void exitProcess(int code) {
    if (exitHandler) exitHandler(code);
    std::fflush(nullptr);
    std::_Exit(code);
}

uint32_t clockMs() { return nowMs; }

// Tests and tools: a higher priority would only disturb the machine they share.
void raiseThreadPriority() {}

void headlessSetClock(uint32_t ms) { nowMs = ms; }
void headlessQueueEvent(const Event& event) { inputPush(&input, event); }
int headlessQueuedEvents() { return input.count; }
void headlessSetExitHandler(void (*handler)(int code)) { exitHandler = handler; }

const SpriteDrawRecord* headlessSpriteDraws(int* count) {
    SpriteBatch* batch = spriteBatchMade();
    *count = batch ? batch->count : 0;
    return batch ? batch->draws : nullptr;
}

}  // namespace platform
