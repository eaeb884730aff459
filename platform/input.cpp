// input.cpp — raw input to the game's key events.
#include "platform/input.h"

namespace platform {

namespace {

// Sources that can hold a key down (bits).
constexpr uint8_t HELD_KEYBOARD = 1, HELD_PAD_DPAD = 2, HELD_PAD_STICK = 4, HELD_PAD_BUTTON = 8;
constexpr uint8_t HELD_PAD = HELD_PAD_DPAD | HELD_PAD_STICK | HELD_PAD_BUTTON;

uint8_t& heldOf(InputState* in, Key key) { return in->held[static_cast<int>(key)]; }

void push(InputState* in, EventType type, Key key, bool repeat = false) { inputPush(in, Event{type, key, repeat}); }

// A source presses `key`: a key-down (also when another source already holds it, as a
// second keyboard would send one).
void press(InputState* in, Key key, uint8_t source) {
    heldOf(in, key) |= source;
    push(in, EventType::KEY_DOWN, key);
}

// A source lets go of `key`: the key-up comes when no source holds it any more.
void release(InputState* in, Key key, uint8_t source) {
    uint8_t& held = heldOf(in, key);
    if (!(held & source)) return;
    held &= static_cast<uint8_t>(~source);
    if (held == 0) push(in, EventType::KEY_UP, key);
}

// One stick axis as a pair of arrows, with hysteresis around the dead zone.
void stickAxis(InputState* in, int value, Key negative, Key positive) {
    const bool negHeld = heldOf(in, negative) & HELD_PAD_STICK, posHeld = heldOf(in, positive) & HELD_PAD_STICK;
    const bool wantNeg = value <= -PAD_STICK_PRESS || (negHeld && value <= -PAD_STICK_RELEASE);
    const bool wantPos = value >= PAD_STICK_PRESS || (posHeld && value >= PAD_STICK_RELEASE);
    if (negHeld && !wantNeg) release(in, negative, HELD_PAD_STICK);
    if (posHeld && !wantPos) release(in, positive, HELD_PAD_STICK);
    if (wantNeg && !negHeld) press(in, negative, HELD_PAD_STICK);
    if (wantPos && !posHeld) press(in, positive, HELD_PAD_STICK);
}

bool timeReached(uint32_t now, uint32_t when) { return static_cast<int32_t>(now - when) >= 0; }

}  // namespace

void inputKey(InputState* in, Key key, bool down, bool repeat) {
    if (down) {
        heldOf(in, key) |= HELD_KEYBOARD;
        push(in, EventType::KEY_DOWN, key, repeat);
        return;
    }
    uint8_t& held = heldOf(in, key);
    held &= static_cast<uint8_t>(~HELD_KEYBOARD);
    if (held == 0) push(in, EventType::KEY_UP, key);
}

void inputPadButton(InputState* in, PadButton button, bool down, uint32_t nowMs) {
    Key key;
    uint8_t source = HELD_PAD_DPAD;
    switch (button) {
        case PadButton::SOUTH: key = Key::SPACE, source = HELD_PAD_BUTTON; break;
        case PadButton::BACK:
        case PadButton::START: key = Key::ESCAPE, source = HELD_PAD_BUTTON; break;
        case PadButton::UP: key = Key::UP; break;
        case PadButton::DOWN: key = Key::DOWN; break;
        case PadButton::LEFT: key = Key::LEFT; break;
        case PadButton::RIGHT: key = Key::RIGHT; break;
        default: return;
    }
    if (down) {
        if (heldOf(in, key) & source) return;  // already down (two buttons share Escape)
        press(in, key, source);
        if (key == Key::SPACE) {
            in->repeatArmed = true;
            in->nextRepeatMs = nowMs + PAD_REPEAT_DELAY_MS;
        }
    } else {
        release(in, key, source);
        if (key == Key::SPACE) in->repeatArmed = false;
    }
}

void inputPadAxis(InputState* in, PadAxis axis, int value) {
    if (axis == PadAxis::LEFT_X) stickAxis(in, value, Key::LEFT, Key::RIGHT);
    if (axis == PadAxis::LEFT_Y) stickAxis(in, value, Key::UP, Key::DOWN);
}

void inputPadsReleased(InputState* in) {
    for (int k = 0; k < KEY_COUNT; ++k) release(in, static_cast<Key>(k), in->held[k] & HELD_PAD);
    in->repeatArmed = false;
}

void inputFocusLost(InputState* in) {
    for (int k = 0; k < KEY_COUNT; ++k)
        if (in->held[k]) {
            in->held[k] = 0;
            push(in, EventType::KEY_UP, static_cast<Key>(k));
        }
    in->repeatArmed = false;
}

void inputPush(InputState* in, const Event& event) {
    if (in->count == INPUT_QUEUE_CAPACITY) return;  // a flood: the oldest wait, the newest go
    in->queue[(in->head + in->count) % INPUT_QUEUE_CAPACITY] = event;
    ++in->count;
}

bool inputNext(InputState* in, uint32_t nowMs, Event* out) {
    if (in->count == 0 && in->repeatArmed && (heldOf(in, Key::SPACE) & HELD_PAD_BUTTON) &&
        timeReached(nowMs, in->nextRepeatMs)) {
        push(in, EventType::KEY_DOWN, Key::SPACE, true);
        // Repeats follow the schedule; after a stall they resume from now, not in a burst.
        in->nextRepeatMs += PAD_REPEAT_PERIOD_MS;
        if (timeReached(nowMs, in->nextRepeatMs)) in->nextRepeatMs = nowMs + PAD_REPEAT_PERIOD_MS;
    }
    if (in->count == 0) return false;
    *out = in->queue[in->head];
    in->head = (in->head + 1) % INPUT_QUEUE_CAPACITY;
    --in->count;
    return true;
}

}  // namespace platform
