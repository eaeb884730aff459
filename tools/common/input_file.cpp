// input_file.cpp — bounded whole-file reads.
#include "tools/common/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace toolio {

namespace {

std::string tooLarge(const std::string& path, size_t limit) {
    return path + ": larger than " + std::to_string(limit) + " bytes, the most this tool reads";
}

}  // namespace

int openInput(const std::string& path) {
#ifdef _WIN32
    return ::open(path.c_str(), O_RDONLY | O_BINARY);
#else
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
#endif
}

bool readInput(const std::string& path, size_t limit, std::string* bytes, std::string* error) {
    bytes->clear();
    const bool standardInput = path == "-";
    const std::string name = standardInput ? "standard input" : path;
    int fd = standardInput ? STDIN_FILENO : openInput(path);
    if (fd < 0) {
        *error = name + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (!ok) {
        *error = name + ": " + std::strerror(errno);
    } else if (S_ISDIR(st.st_mode)) {
        *error = name + ": is a directory";
        ok = false;
    } else if (S_ISREG(st.st_mode) && static_cast<unsigned long long>(st.st_size) > limit) {
        *error = tooLarge(name, limit);
        ok = false;
    }
    // Streams and devices have no size: read one byte past the limit to tell.
    char buffer[65536];
    while (ok) {
        size_t want = std::min(sizeof buffer, limit + 1 - bytes->size());
        ssize_t n = ::read(fd, buffer, want);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *error = name + ": read error: " + std::strerror(errno);
            ok = false;
        } else if (n == 0) {
            break;
        } else {
            bytes->append(buffer, static_cast<size_t>(n));
            if (bytes->size() > limit) {
                *error = tooLarge(name, limit);
                ok = false;
            }
        }
    }
    if (!standardInput) ::close(fd);
    if (!ok) bytes->clear();
    return ok;
}

}  // namespace toolio
