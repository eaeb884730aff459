// input.h — private to platform/: turning raw input into the game's window messages.
//
// Pure code over plain values (no device, no SDL state), shared by both backends so
// the tests see exactly what the real window does. Keys are identified by their
// physical position (SDL scancodes), so every keyboard layout works.
#pragma once

#include <cstdint>

#include "messages.h"

namespace platform {

// The virtual-key code of a physical key; 0 for a key the game has no code for.
uint32_t virtualKeyOfScancode(int scancode);

// The message for a key event; false when the key has no code. Key-downs while Alt
// is held become WM_SYSKEYDOWN (the game ignores them); key-ups are always WM_KEYUP,
// so the game never keeps a key it saw go down.
bool keyMessage(int scancode, bool down, bool altHeld, Message* out);

}  // namespace platform
