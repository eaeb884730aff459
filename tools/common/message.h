// message.h — the command-line tools' messages, made safe for a terminal.
//
// Messages quote their input (a script line, a file name, a setting), and input may
// hold terminal control sequences: an escape that retitles the window or rewrites the
// screen must never reach the terminal as it is. Every byte below 0x20 but tab, 0x7F,
// the C1 controls (U+0080..U+009F) and every byte of invalid UTF-8 is shown as \xNN.
//
//   toolio::printMessage(stderr, "songc", "song.txt:3: bad note \"" + token + "\"");
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace toolio {

std::string printable(std::string_view text);
// Writes "tool: message" and a newline, the message made printable.
void printMessage(std::FILE* to, const char* tool, std::string_view message);

}  // namespace toolio
