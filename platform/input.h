// input.h — private to platform/: the game's keys as events, from the keyboard, from
// gamepads and on focus loss, kept in a small queue the backend's pollEvent takes from.
//
// Pure code over plain values (no device, no system headers), shared by the backends
// that turn raw input into events themselves (SDL, the browser, headless):
//
// - A key is held by one or more sources (the keyboard, a pad's d-pad, stick or
//   button); its key-up comes when the last of them lets go.
// - Gamepads become the same keys: d-pad and left stick (with a dead zone and
//   hysteresis) the arrows, the south button Space with keyboard-like auto-repeat,
//   Start and Back Escape.
// - Focus loss lets go of every key the game still believes down.
//
//   InputState in{};
//   inputKey(&in, Key::RIGHT, true, false);
//   Event e;
//   if (inputNext(&in, nowMs, &e)) ...   // also makes the pad's auto-repeats when due
//
// Times in milliseconds of the platform clock (wrapping unsigned 32-bit).
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace platform {

constexpr int KEY_COUNT = 6;
constexpr uint32_t PAD_REPEAT_DELAY_MS = 500;  // first repeat of the south button
constexpr uint32_t PAD_REPEAT_PERIOD_MS = 33;  // then about 30 a second
constexpr int PAD_STICK_PRESS = 16000;         // stick travel (of 32767) that presses an arrow
constexpr int PAD_STICK_RELEASE = 10000;       // and below which it lets go again
constexpr int INPUT_QUEUE_CAPACITY = 1024;

enum class PadButton { SOUTH, BACK, START, UP, DOWN, LEFT, RIGHT, OTHER };
enum class PadAxis { LEFT_X, LEFT_Y, OTHER };

struct InputState {
    uint8_t held[KEY_COUNT];  // per key: the sources holding it (bits)
    Event queue[INPUT_QUEUE_CAPACITY];
    int head, count;
    bool repeatArmed;  // the south button is down and auto-repeats
    uint32_t nextRepeatMs;
};

// A keyboard key-down (`repeat`: the keyboard's auto-repeat) or key-up. A key-up is
// delivered even when the game never saw the key go down, unless a pad still holds it.
void inputKey(InputState* in, Key key, bool down, bool repeat);
// A pad button; `nowMs` starts the south button's repeat schedule.
void inputPadButton(InputState* in, PadButton button, bool down, uint32_t nowMs);
// A pad axis, -32768..32767 (y grows downwards).
void inputPadAxis(InputState* in, PadAxis axis, int value);
// The pads are gone (or one was unplugged): whatever they held is let go.
void inputPadsReleased(InputState* in);
// The window lost the keyboard focus: a key-up for every key the game believes down.
void inputFocusLost(InputState* in);
// Queues a ready-made event (the close event, or a test's).
void inputPush(InputState* in, const Event& event);
// Takes the first waiting event; when none waits, first makes the south button's
// auto-repeat key-down if it is due. False when there is nothing.
bool inputNext(InputState* in, uint32_t nowMs, Event* out);

}  // namespace platform
