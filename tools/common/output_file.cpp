// output_file.cpp — temporary file and rename for regular files, direct writes for the rest.
#include "tools/common/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

namespace toolio {

namespace {

// What the system decides: where a name leads, how the temporary file is made, moved
// into place and removed.
#ifdef _WIN32

// No symbolic links to follow, no mode bits to carry over and no signal cleanup: a
// temporary file of a run killed from outside stays behind as NAME.partXXXXXX.
bool followLinks(const std::string& name, std::string* path, int*) {
    *path = name;
    return true;
}

int createTemp(const std::string& pattern, const struct stat*, std::string* path, int* err) {
    std::string temp = pattern;
    int fd = mkstemp(temp.data());
    *err = errno;
    if (fd >= 0) *path = temp;
    return fd;
}

// rename refuses an existing target on Windows.
bool replaceTarget(const std::string& temp, const std::string& target) {
    if (MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    errno = EACCES;
    return false;
}

void forgetTemp() {}

void removeTemp(const std::string& temp) { std::remove(temp.c_str()); }

#else

// The one temporary file being written, removed by the signal handler. A fixed buffer:
// the handler may only use async-signal-safe calls.
char g_pendingTemp[PATH_MAX + 16];
const int CLEANUP_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

void removeTempAndDie(int sig) {
    if (g_pendingTemp[0] != 0) unlink(g_pendingTemp);
    signal(sig, SIG_DFL);
    raise(sig);
}

void blockCleanupSignals(bool block) {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : CLEANUP_SIGNALS) sigaddset(&set, sig);
    sigprocmask(block ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}

void installCleanup() {
    for (int sig : CLEANUP_SIGNALS) {
        struct sigaction old {};
        sigaction(sig, nullptr, &old);
        if (old.sa_handler != SIG_DFL) continue;  // ignored (nohup) or the tool's own
        struct sigaction sa {};
        sa.sa_handler = removeTempAndDie;
        sigemptyset(&sa.sa_mask);
        sigaction(sig, &sa, nullptr);
    }
}

void forgetTemp() {
    blockCleanupSignals(true);
    g_pendingTemp[0] = 0;
    blockCleanupSignals(false);
}

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// Follows symbolic links to the name of the file they lead to (which may not exist yet).
bool followLinks(const std::string& name, std::string* path, int* err) {
    *path = name;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (lstat(path->c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        char link[PATH_MAX];
        ssize_t n = readlink(path->c_str(), link, sizeof link - 1);
        if (n < 0) {
            *err = errno;
            return false;
        }
        link[n] = 0;
        *path = link[0] == '/' ? std::string(link) : folderOf(*path) + link;
    }
    *err = ELOOP;
    return false;
}

// mkstemp on `pattern`, removed again if a cleanup signal arrives before the rename. The
// new file gets the old file's mode, or the usual one (mkstemp makes it private).
int createTemp(const std::string& pattern, const struct stat* existing, std::string* path, int* err) {
    if (pattern.size() >= sizeof g_pendingTemp) {
        *err = ENAMETOOLONG;
        return -1;
    }
    // Registered before it exists and cleared after it is gone, with the signals held
    // off in between, so that a signal never leaves it behind.
    blockCleanupSignals(true);
    std::memcpy(g_pendingTemp, pattern.c_str(), pattern.size() + 1);
    int fd = mkstemp(g_pendingTemp);
    *err = errno;
    if (fd < 0) g_pendingTemp[0] = 0;
    installCleanup();
    blockCleanupSignals(false);
    if (fd < 0) return -1;
    *path = g_pendingTemp;
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, existing ? existing->st_mode & 07777 : 0666 & ~mask);
    return fd;
}

bool replaceTarget(const std::string& temp, const std::string& target) {
    return std::rename(temp.c_str(), target.c_str()) == 0;
}

void removeTemp(const std::string& temp) {
    unlink(temp.c_str());
    forgetTemp();
}

#endif

std::string failure(const std::string& name, const char* what, int err) {
    return name + ": " + what + (what[0] ? ": " : "") + std::strerror(err);
}

bool underSystemTree(const std::string& path) { return path.rfind("/dev/", 0) == 0 || path.rfind("/proc/", 0) == 0; }

bool openDirect(const std::string& name, OutputFile* out, std::string* error) {
    out->file = name == "-" ? stdout : std::fopen(name.c_str(), "wb");
    if (out->file == nullptr) *error = failure(out->name, "", errno);
    return out->file != nullptr;
}

bool openTemp(const std::string& target, const struct stat* existing, OutputFile* out, std::string* error) {
    int err = 0;
    int fd = createTemp(target + ".partXXXXXX", existing, &out->tempPath, &err);
    if (fd < 0) {
        *error = failure(out->name, "", err);
        return false;
    }
    out->finalPath = target;
    out->file = fdopen(fd, "wb");
    if (out->file == nullptr) {
        *error = failure(out->name, "", errno);
        close(fd);
        abandonOutput(out);
        return false;
    }
    return true;
}

}  // namespace

bool openOutput(const std::string& name, OutputFile* out, std::string* error) {
    *out = OutputFile{};
    out->name = name == "-" ? "standard output" : name;
    if (name == "-" || underSystemTree(name)) return openDirect(name, out, error);
    std::string target;
    int err = 0;
    if (!followLinks(name, &target, &err)) {
        *error = failure(name, "", err);
        return false;
    }
    struct stat st {};
    if (stat(target.c_str(), &st) != 0) {
        if (errno != ENOENT) {
            *error = failure(name, "", errno);
            return false;
        }
        return openTemp(target, nullptr, out, error);
    }
    if (S_ISDIR(st.st_mode)) {
        *error = name + ": is a directory";
        return false;
    }
    if (!S_ISREG(st.st_mode) || underSystemTree(target)) return openDirect(name, out, error);
    return openTemp(target, &st, out, error);
}

bool writeOutput(OutputFile* out, const void* data, size_t size, std::string* error) {
    if (size == 0 || std::fwrite(data, 1, size, out->file) == size) return true;
    *error = failure(out->name, "write error", errno);
    abandonOutput(out);
    return false;
}

bool closeOutput(OutputFile* out, std::string* error) {
    if (out->file == stdout) {
        out->file = nullptr;
        return stdoutIntact(error);
    }
    int err = std::ferror(out->file) ? EIO : 0;
    if (std::fflush(out->file) != 0) err = errno;
    if (std::fclose(out->file) != 0 && err == 0) err = errno;
    out->file = nullptr;
    if (err != 0) {
        *error = failure(out->name, "write error", err);
        abandonOutput(out);
        return false;
    }
    if (out->tempPath.empty()) return true;
    if (!replaceTarget(out->tempPath, out->finalPath)) {
        *error = failure(out->name, "", errno);
        abandonOutput(out);
        return false;
    }
    out->tempPath.clear();
    forgetTemp();
    return true;
}

void abandonOutput(OutputFile* out) {
    if (out->file != nullptr && out->file != stdout) std::fclose(out->file);
    out->file = nullptr;
    if (!out->tempPath.empty()) {
        removeTemp(out->tempPath);
        out->tempPath.clear();
    }
}

bool writeWholeFile(const std::string& name, const void* data, size_t size, std::string* error) {
    OutputFile out;
    return openOutput(name, &out, error) && writeOutput(&out, data, size, error) && closeOutput(&out, error);
}

bool stdoutIntact(std::string* error) {
    if (std::fflush(stdout) != 0)
        *error = failure("standard output", "write error", errno);
    else if (std::ferror(stdout))
        *error = "standard output: write error";  // an earlier write failed; its errno is gone
    else
        return true;
    return false;
}

}  // namespace toolio
