#include "process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>

extern char** environ;

namespace e2e {

int64_t nowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void sleepMs(int ms) {
    timespec ts{ms / 1000, long(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

Child spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
            const std::string& logPath) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        std::string key = entry.substr(0, entry.find('='));
        bool overridden = false;
        for (const std::string& x : extraEnv)
            if (x.compare(0, key.size() + 1, key + "=") == 0) overridden = true;
        if (!overridden) env.push_back(entry);
    }
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());

    std::vector<char*> args, envp;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    Child child;
    child.startMs = nowMs();
    const pid_t parent = getpid();
    pid_t pid = fork();
    if (pid == 0) {
        // Only async-signal-safe calls until exec. The child dies with the test, so an
        // aborted test leaves no X server or game behind.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        if (!logPath.empty()) {
            int fd = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd >= 0) {
                dup2(fd, 1);
                dup2(fd, 2);
                if (fd > 2) close(fd);
            }
        }
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
    child.pid = pid;
    return child;
}

bool waitFor(Child& child, int timeoutMs, int* status) {
    if (child.pid <= 0) return false;
    int64_t deadline = nowMs() + timeoutMs;
    while (!child.reaped) {
        pid_t r = waitpid(child.pid, &child.status, WNOHANG);
        if (r == child.pid) {
            child.reaped = true;
            break;
        }
        if (r < 0 || nowMs() >= deadline) return false;
        sleepMs(5);
    }
    if (status) *status = child.status;
    return true;
}

void kill(Child& child) {
    if (child.pid <= 0 || child.reaped) return;
    ::kill(child.pid, SIGKILL);
    waitpid(child.pid, &child.status, 0);
    child.reaped = true;
}

long procStatusKb(pid_t pid, const char* field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    size_t n = std::strlen(field);
    while (std::getline(in, line))
        if (line.compare(0, n, field) == 0) return std::atol(line.c_str() + n);
    return -1;
}

}  // namespace e2e
