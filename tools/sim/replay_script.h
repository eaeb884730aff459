// replay_script.h — the replay script of skarvo-sim: one line per frame.
//
//   start 5000          optional first line: the clock read at the end of start-up
//   # comment
//   5016                a frame reading the clock 5016, no event
//   5032 down RIGHT     ... taking one key event (down/up LEFT RIGHT UP DOWN SPACE ESCAPE)
//   5048 close          ... or the window's close event
//
// Clock values are unsigned 32-bit decimals (milliseconds). Blank lines are ignored.
// A script is at most MAX_SCRIPT_BYTES (about four million frames), a line at most
// MAX_LINE_CHARS.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace sim {

constexpr size_t MAX_SCRIPT_BYTES = 64u << 20;
constexpr size_t MAX_LINE_CHARS = 1024;  // a frame line is at most 24

struct ReplayFrame {
    uint32_t nowMs;
    bool hasEvent;
    platform::Event event;
};

struct ReplayScript {
    uint32_t startMs = 0;
    std::vector<ReplayFrame> frames;
};

// Parses the whole text. On a malformed line returns false with `error` naming the
// line by number and quoting its start.
bool parseReplay(const std::string& text, ReplayScript* script, std::string* error);

}  // namespace sim
