// replay_script.h — the replay script of skarvo-sim: one line per frame.
//
//   start 5000          optional first line: the clock read at the end of start-up
//   # comment
//   5016                a frame reading the clock 5016, no message
//   5032 down RIGHT     ... taking one key message (down/up LEFT RIGHT UP DOWN SPACE ESCAPE)
//   5048 close          ... or the window's close message
//
// Clock values are unsigned 32-bit decimals (milliseconds). Blank lines are ignored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/messages.h"

namespace sim {

struct ReplayFrame {
    uint32_t nowMs;
    bool hasMessage;
    platform::Message message;
};

struct ReplayScript {
    uint32_t startMs = 0;
    std::vector<ReplayFrame> frames;
};

// Parses the whole text. On a malformed line returns false with `error` naming the
// line by number and quoting it.
bool parseReplay(const std::string& text, ReplayScript* script, std::string* error);

}  // namespace sim
