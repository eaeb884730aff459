// input.h — private to platform/: turning raw input into the game's window messages.
//
// Pure code over plain values (no device, no SDL state), shared by both backends so
// the tests see exactly what the real window does.
//
// - Keys are identified by their physical position (SDL scancodes), so every layout
//   works. F11 and Alt+Enter toggle fullscreen and never become messages.
// - Gamepads become the same key messages: d-pad and left stick (with a dead zone)
//   the arrows, the south button Space with keyboard-like auto-repeat, Start and
//   Back Escape.
// - Focus loss releases every key the game still believes down.
//
// Messages wait in a small queue; the backend's peek takes one at a time:
//
//   InputState in{};
//   if (inputKey(&in, scancode, down, repeat, alt) == INPUT_TOGGLE_FULLSCREEN) toggle();
//   Message m;
//   if (inputNext(&in, nowMs, 0, 0, &m)) ...   // also makes the pad's auto-repeats when due
//
// Times in milliseconds of the platform clock (wrapping unsigned 32-bit).
#pragma once

#include <cstdint>

#include "messages.h"

namespace platform {

constexpr uint32_t PAD_REPEAT_DELAY_MS = 500;  // first repeat of the south button
constexpr uint32_t PAD_REPEAT_PERIOD_MS = 33;  // then about 30 a second
constexpr int PAD_STICK_PRESS = 16000;         // stick travel (of 32767) that presses an arrow
constexpr int PAD_STICK_RELEASE = 10000;       // and below which it lets go again

// Sources that can hold a virtual key down (bits).
constexpr uint8_t HELD_KEYBOARD = 1, HELD_PAD_DPAD = 2, HELD_PAD_STICK = 4, HELD_PAD_BUTTON = 8;
constexpr uint8_t HELD_PAD = HELD_PAD_DPAD | HELD_PAD_STICK | HELD_PAD_BUTTON;

// Pad buttons and axes, as SDL's game-controller numbers them.
constexpr int PAD_SOUTH = 0, PAD_BACK = 4, PAD_START = 6, PAD_UP = 11, PAD_DOWN = 12, PAD_LEFT = 13, PAD_RIGHT = 14;
constexpr int PAD_AXIS_LEFTX = 0, PAD_AXIS_LEFTY = 1;

constexpr int INPUT_QUEUE_CAPACITY = 1024;

struct InputState {
    uint8_t held[256];       // per virtual key: the HELD_* sources holding it
    bool swallowKeyUp[512];  // per scancode: a key-down went to fullscreen, so its key-up goes too
    Message queue[INPUT_QUEUE_CAPACITY];
    int head, count;
    bool repeatArmed;  // the south button is down and auto-repeats
    uint32_t nextRepeatMs;
};

enum InputResult { INPUT_NONE, INPUT_MESSAGE, INPUT_TOGGLE_FULLSCREEN };

// The virtual-key code of a physical key; 0 for a key the game has no code for.
uint32_t virtualKeyOfScancode(int scancode);

// A keyboard event. Key-downs while Alt is held become WM_SYSKEYDOWN (the game
// ignores them); key-ups are always WM_KEYUP.
InputResult inputKey(InputState* in, int scancode, bool down, bool repeat, bool altHeld);
// A pad button; `nowMs` starts the south button's repeat schedule.
void inputPadButton(InputState* in, int button, bool down, uint32_t nowMs);
// A pad axis, -32768..32767 (y grows downwards).
void inputPadAxis(InputState* in, int axis, int value);
// The pads are gone (or one was unplugged): whatever they held is let go.
void inputPadsReleased(InputState* in);
// The window lost the keyboard focus: a key-up for every key the game believes down.
void inputFocusLost(InputState* in);
// Queues a ready-made message (the close message, or a test's).
void inputPush(InputState* in, const Message& message);
// Takes the first waiting message whose number lies in filterMin..filterMax (0..0:
// any), the others keeping their order; when none waits, first makes the south
// button's auto-repeat key-down if it is due. False when there is nothing.
bool inputNext(InputState* in, uint32_t nowMs, uint32_t filterMin, uint32_t filterMax, Message* out);

}  // namespace platform
