// clock.h — the game's millisecond clock.
//
// Milliseconds as an unsigned 32-bit count that wraps after about 49.7 days; take
// differences as unsigned 32-bit subtraction and they stay right across the wrap.
//
//   uint32_t now = platform::timeGetTime();
//   int32_t frameMs = static_cast<int32_t>(now - prevMs);
#pragma once

#include <cstdint>

namespace platform {

uint32_t timeGetTime();

}  // namespace platform
