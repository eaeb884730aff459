// process.h — starting and watching a child process for the end-to-end tests.
// Units: milliseconds of the monotonic clock.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

struct Child {
    pid_t pid = -1;
    bool reaped = false;
    int status = 0;       // wait status once reaped
    int64_t startMs = 0;  // monotonic time of the spawn
};

int64_t nowMs();
void sleepMs(int ms);

// Starts argv[0] with the current environment plus (overriding) the given entries, an
// entry without '=' removing that variable; stdout and stderr go to logPath when it is
// not empty.
Child spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
            const std::string& logPath = "");
// Waits up to timeoutMs for the child to end; true when it has, with the wait status.
bool waitFor(Child& child, int timeoutMs, int* status);
// Ends the child with SIGKILL and reaps it, unless it has already ended.
void kill(Child& child);

}  // namespace e2e
