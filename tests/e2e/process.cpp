#include "process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <thread>

extern char** environ;

namespace e2e {

int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

Child spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
            const std::string& logPath) {
    std::vector<std::string> env;
    std::copy_if(extraEnv.begin(), extraEnv.end(), std::back_inserter(env),
                 [](const std::string& x) { return x.find('=') != std::string::npos; });
    for (char** e = environ; *e; ++e) {
        std::string entry = *e, key = entry.substr(0, entry.find('='));
        if (std::none_of(extraEnv.begin(), extraEnv.end(),
                         [&](const std::string& x) { return x == key || x.rfind(key + "=", 0) == 0; }))
            env.push_back(entry);
    }
    std::vector<char*> args, envp;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    args.push_back(nullptr);
    envp.push_back(nullptr);
    Child child;
    child.startMs = nowMs();
    const pid_t parent = getpid();
    child.pid = fork();
    if (child.pid == 0) {
        // Only async-signal-safe calls until exec. The child dies with the test, so an
        // aborted test leaves no X server or game behind.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        int fd = logPath.empty() ? -1 : open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) dup2(fd, 1), dup2(fd, 2);
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
    return child;
}

bool waitFor(Child& child, int timeoutMs, int* status) {
    if (child.pid <= 0) return false;
    for (int64_t deadline = nowMs() + timeoutMs; !child.reaped; sleepMs(5)) {
        pid_t r = waitpid(child.pid, &child.status, WNOHANG);
        child.reaped = r == child.pid;
        if (!child.reaped && (r < 0 || nowMs() >= deadline)) return false;
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

}  // namespace e2e
