// input_file.h — reads a whole input file for the tools, never more than a limit.
//
//   std::string bytes, error;
//   if (!readInput(path, MAX_BYTES, &bytes, &error)) { fprintf(stderr, "tool: %s\n", error.c_str()); ... }
//
// A regular file larger than the limit is refused by its size, unread; a stream or
// device (a pipe, /dev/zero, /dev/stdin) is read up to one byte past the limit and
// then refused. A directory is refused. "-" reads standard input. Errors read
// "PATH: reason".
#pragma once

#include <cstddef>
#include <string>

namespace toolio {

bool readInput(const std::string& path, size_t limit, std::string* bytes, std::string* error);

// open(path) for reading the bytes as they are (no newline translation on Windows), not
// inherited by programs the tool starts. -1 and errno on failure.
int openInput(const std::string& path);

}  // namespace toolio
