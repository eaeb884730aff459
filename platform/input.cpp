// input.cpp — raw input to window messages.
#include "input.h"

#include <SDL_scancode.h>

namespace platform {

namespace {

void push(InputState* in, uint32_t message, uint32_t vk) { inputPush(in, Message{nullptr, message, vk, 0}); }

// A source presses `vk`: a key-down (also when another source already holds it, as a
// second keyboard would send one).
void press(InputState* in, uint32_t vk, uint8_t source) {
    in->held[vk] |= source;
    push(in, WM_KEYDOWN, vk);
}

// A source lets go of `vk`: the key-up comes when no source holds it any more.
void release(InputState* in, uint32_t vk, uint8_t source) {
    if (!(in->held[vk] & source)) return;
    in->held[vk] &= static_cast<uint8_t>(~source);
    if (in->held[vk] == 0) push(in, WM_KEYUP, vk);
}

// One stick axis as a pair of arrows, with hysteresis around the dead zone.
void stickAxis(InputState* in, int value, uint32_t negativeVk, uint32_t positiveVk) {
    const bool negHeld = in->held[negativeVk] & HELD_PAD_STICK, posHeld = in->held[positiveVk] & HELD_PAD_STICK;
    const bool wantNeg = value <= -PAD_STICK_PRESS || (negHeld && value <= -PAD_STICK_RELEASE);
    const bool wantPos = value >= PAD_STICK_PRESS || (posHeld && value >= PAD_STICK_RELEASE);
    if (negHeld && !wantNeg) release(in, negativeVk, HELD_PAD_STICK);
    if (posHeld && !wantPos) release(in, positiveVk, HELD_PAD_STICK);
    if (wantNeg && !negHeld) press(in, negativeVk, HELD_PAD_STICK);
    if (wantPos && !posHeld) press(in, positiveVk, HELD_PAD_STICK);
}

uint32_t padButtonKey(int button) {
    switch (button) {
        case PAD_SOUTH:
            return VK_SPACE;
        case PAD_BACK:
        case PAD_START:
            return VK_ESCAPE;
        case PAD_UP:
            return VK_UP;
        case PAD_DOWN:
            return VK_DOWN;
        case PAD_LEFT:
            return VK_LEFT;
        case PAD_RIGHT:
            return VK_RIGHT;
        default:
            return 0;
    }
}

bool timeReached(uint32_t now, uint32_t when) { return static_cast<int32_t>(now - when) >= 0; }

}  // namespace

uint32_t virtualKeyOfScancode(int scancode) {
    switch (scancode) {
        case SDL_SCANCODE_LEFT:
            return VK_LEFT;
        case SDL_SCANCODE_UP:
            return VK_UP;
        case SDL_SCANCODE_RIGHT:
            return VK_RIGHT;
        case SDL_SCANCODE_DOWN:
            return VK_DOWN;
        case SDL_SCANCODE_SPACE:
            return VK_SPACE;
        case SDL_SCANCODE_ESCAPE:
            return VK_ESCAPE;
        case SDL_SCANCODE_RETURN:
        case SDL_SCANCODE_KP_ENTER:
            return 0x0D;
        case SDL_SCANCODE_TAB:
            return 0x09;
        case SDL_SCANCODE_BACKSPACE:
            return 0x08;
        case SDL_SCANCODE_LSHIFT:
        case SDL_SCANCODE_RSHIFT:
            return 0x10;
        case SDL_SCANCODE_LCTRL:
        case SDL_SCANCODE_RCTRL:
            return 0x11;
        case SDL_SCANCODE_LALT:
        case SDL_SCANCODE_RALT:
            return 0x12;
        default:
            break;
    }
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) return 'A' + (scancode - SDL_SCANCODE_A);
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) return '1' + (scancode - SDL_SCANCODE_1);
    if (scancode == SDL_SCANCODE_0) return '0';
    if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12) return 0x70 + (scancode - SDL_SCANCODE_F1);
    return 0;
}

InputResult inputKey(InputState* in, int scancode, bool down, bool repeat, bool altHeld) {
    if (scancode < 0 || scancode >= 512) return INPUT_NONE;
    const bool enter = scancode == SDL_SCANCODE_RETURN || scancode == SDL_SCANCODE_KP_ENTER;
    if (down && (scancode == SDL_SCANCODE_F11 || (enter && altHeld))) {
        in->swallowKeyUp[scancode] = true;
        return repeat ? INPUT_NONE : INPUT_TOGGLE_FULLSCREEN;  // holding the key toggles once
    }
    if (!down && in->swallowKeyUp[scancode]) {
        in->swallowKeyUp[scancode] = false;
        return INPUT_NONE;
    }
    const uint32_t vk = virtualKeyOfScancode(scancode);
    if (vk == 0) return INPUT_NONE;
    if (down && altHeld) {
        push(in, WM_SYSKEYDOWN, vk);
    } else if (down) {
        press(in, vk, HELD_KEYBOARD);
    } else {
        // Always delivered, even when the game never saw the key go down.
        in->held[vk] &= static_cast<uint8_t>(~HELD_KEYBOARD);
        if (in->held[vk] == 0) push(in, WM_KEYUP, vk);
    }
    return INPUT_MESSAGE;
}

void inputPadButton(InputState* in, int button, bool down, uint32_t nowMs) {
    const uint32_t vk = padButtonKey(button);
    if (vk == 0) return;
    const uint8_t source = button >= PAD_UP ? HELD_PAD_DPAD : HELD_PAD_BUTTON;
    if (down) {
        if (in->held[vk] & source) return;  // already down (two buttons share Escape)
        press(in, vk, source);
        if (vk == VK_SPACE) {
            in->repeatArmed = true;
            in->nextRepeatMs = nowMs + PAD_REPEAT_DELAY_MS;
        }
    } else {
        release(in, vk, source);
        if (vk == VK_SPACE) in->repeatArmed = false;
    }
}

void inputPadAxis(InputState* in, int axis, int value) {
    if (axis == PAD_AXIS_LEFTX) stickAxis(in, value, VK_LEFT, VK_RIGHT);
    if (axis == PAD_AXIS_LEFTY) stickAxis(in, value, VK_UP, VK_DOWN);
}

void inputPadsReleased(InputState* in) {
    for (uint32_t vk = 0; vk < 256; ++vk) release(in, vk, in->held[vk] & HELD_PAD);
    in->repeatArmed = false;
}

void inputFocusLost(InputState* in) {
    for (uint32_t vk = 0; vk < 256; ++vk)
        if (in->held[vk]) {
            in->held[vk] = 0;
            push(in, WM_KEYUP, vk);
        }
    in->repeatArmed = false;
}

void inputPush(InputState* in, const Message& message) {
    if (in->count == INPUT_QUEUE_CAPACITY) return;  // a flood: the oldest wait, the newest go
    in->queue[(in->head + in->count) % INPUT_QUEUE_CAPACITY] = message;
    ++in->count;
}

bool inputNext(InputState* in, uint32_t nowMs, uint32_t filterMin, uint32_t filterMax, Message* out) {
    if (in->count == 0 && in->repeatArmed && (in->held[VK_SPACE] & HELD_PAD_BUTTON) &&
        timeReached(nowMs, in->nextRepeatMs)) {
        push(in, WM_KEYDOWN, VK_SPACE);
        // Repeats follow the schedule; after a stall they resume from now, not in a burst.
        in->nextRepeatMs += PAD_REPEAT_PERIOD_MS;
        if (timeReached(nowMs, in->nextRepeatMs)) in->nextRepeatMs = nowMs + PAD_REPEAT_PERIOD_MS;
    }
    const bool any = filterMin == 0 && filterMax == 0;
    for (int i = 0; i < in->count; ++i) {
        const Message& m = in->queue[(in->head + i) % INPUT_QUEUE_CAPACITY];
        if (!any && (m.message < filterMin || m.message > filterMax)) continue;
        *out = m;
        // Close the gap; later messages keep their order.
        for (int j = i; j > 0; --j)
            in->queue[(in->head + j) % INPUT_QUEUE_CAPACITY] = in->queue[(in->head + j - 1) % INPUT_QUEUE_CAPACITY];
        in->head = (in->head + 1) % INPUT_QUEUE_CAPACITY;
        --in->count;
        return true;
    }
    return false;
}

}  // namespace platform
