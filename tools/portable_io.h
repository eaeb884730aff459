// portable_io.h — the few file calls of the tools that differ between Linux and
// Windows, so the tools themselves carry no system conditionals.
#pragma once

#include <cstdio>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace portable {

// A file made private by mkstemp gets the permissions a plain fopen would give it.
// Windows files have no such mode bits.
inline void giveUsualPermissions(int fd) {
#ifdef _WIN32
    (void)fd;
#else
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
#endif
}

// Renames `from` to `to`, replacing `to` if it exists (Windows' rename refuses to).
inline bool replaceFile(const char* from, const char* to) {
#ifdef _WIN32
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
#else
    return std::rename(from, to) == 0;
#endif
}

inline bool isTerminal(std::FILE* stream) {
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

}  // namespace portable
