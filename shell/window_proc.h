// window_proc.h — the game window's procedure: arrows and Space into the control
// fields of `game`, a throw on each Space key-down (auto-repeat included), and an
// immediate exit with code 0 on Escape, close or quit.
#pragma once

#include <cstdint>

#include "../platform/messages.h"

namespace skarvo {

intptr_t windowProc(platform::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

}  // namespace skarvo
