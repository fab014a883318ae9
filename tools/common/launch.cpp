// SPDX-License-Identifier: GPL-3.0-or-later
#include "launch.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace wl {

void UniqueFd::reset(int fd) {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
}

Result<Pipe> makePipe(int flags) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | flags) != 0)
        return Result<Pipe>::fail(errnoText());
    return Pipe{UniqueFd(fds[0]), UniqueFd(fds[1])};
}

namespace {

std::string nameOf(const std::string& entry) { return entry.substr(0, entry.find('=')); }

// Everything the child needs, made before fork: after it only async-signal-safe calls.
struct Prepared {
    std::vector<std::string> words, env;
    std::vector<char*> argv, envp;
};

Prepared prepare(const Launch& launch) {
    Prepared p;
    p.words = launch.argv;
    for (char** e = environ; e && *e; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const std::string& extra : launch.extraEnv)
            replaced = replaced || nameOf(extra) == nameOf(entry);
        if (!replaced)
            p.env.push_back(entry);
    }
    p.env.insert(p.env.end(), launch.extraEnv.begin(), launch.extraEnv.end());
    for (std::string& w : p.words)
        p.argv.push_back(w.data());
    p.argv.push_back(nullptr);
    for (std::string& e : p.env)
        p.envp.push_back(e.data());
    p.envp.push_back(nullptr);
    return p;
}

void writeErrno(int fd, int e) { (void)!::write(fd, &e, sizeof e); }

// In the child: descriptors in place, then exec; on failure the errno goes to report.
[[noreturn]] void execChild(const Launch& launch, Prepared& p, int report) {
    if (launch.ownProcessGroup)
        setpgid(0, 0);
    signal(SIGPIPE, SIG_DFL);
    const int targets[3] = {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO};
    const int sources[3] = {launch.in, launch.out, launch.err};
    for (int i = 0; i < 3; ++i)
        if (sources[i] >= 0 && dup2(sources[i], targets[i]) < 0)
            writeErrno(report, errno), _exit(127);
    for (int fd : launch.inherit)
        fcntl(fd, F_SETFD, 0);
    execve(launch.path.empty() ? p.argv[0] : launch.path.c_str(), p.argv.data(), p.envp.data());
    writeErrno(report, errno);
    _exit(127);
}

// A child that is ours to reap, started with posix_spawn: nothing of ours runs between the
// fork and the exec, so a child of a threaded process never waits on a lock that another
// thread held.
Result<pid_t> spawnAttached(const Launch& launch) {
    Prepared p = prepare(launch);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const int targets[3] = {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO};
    const int sources[3] = {launch.in, launch.out, launch.err};
    for (int i = 0; i < 3; ++i)
        if (sources[i] >= 0)
            posix_spawn_file_actions_adddup2(&actions, sources[i], targets[i]);
    // A descriptor duplicated onto itself loses its close-on-exec flag.
    for (int fd : launch.inherit)
        posix_spawn_file_actions_adddup2(&actions, fd, fd);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    short flags = POSIX_SPAWN_SETSIGDEF;
    if (launch.ownProcessGroup) {
        posix_spawnattr_setpgroup(&attributes, 0);
        flags |= POSIX_SPAWN_SETPGROUP;
    }
    posix_spawnattr_setflags(&attributes, flags);
    pid_t pid = -1;
    const int err = posix_spawn(&pid, launch.path.empty() ? p.argv[0] : launch.path.c_str(),
                                &actions, &attributes, p.argv.data(), p.envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (err != 0)
        return Result<pid_t>::fail(std::strerror(err));
    return pid;
}

} // namespace

Result<pid_t> spawn(const Launch& launch) {
    using R = Result<pid_t>;
    if (launch.argv.empty())
        return R::fail("nothing to start");
    if (!launch.detached)
        return spawnAttached(launch);
    auto report = makePipe();
    if (!report)
        return R::fail(report.error());
    Prepared p = prepare(launch);
    const pid_t pid = fork();
    if (pid < 0)
        return R::fail(errnoText());
    if (pid == 0) {
        report->read.reset();
        if (!launch.detached)
            execChild(launch, p, report->write.get());
        // Detached: a session of its own, and a grandchild that init reaps.
        setsid();
        const pid_t job = fork();
        if (job == 0)
            execChild(launch, p, report->write.get());
        if (job < 0)
            writeErrno(report->write.get(), errno);
        _exit(0);
    }
    report->write.reset();
    if (launch.detached)
        waitExit(pid);
    int childErrno = 0;
    ssize_t got;
    while ((got = ::read(report->read.get(), &childErrno, sizeof childErrno)) < 0 &&
           errno == EINTR) {
    }
    if (got == static_cast<ssize_t>(sizeof childErrno)) {
        if (!launch.detached)
            waitExit(pid);
        return R::fail(std::strerror(childErrno));
    }
    return launch.detached ? 0 : pid;
}

int waitExit(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

std::optional<std::string> readUntilClosed(int fd, std::chrono::steady_clock::time_point deadline,
                                           size_t most) {
    std::string bytes;
    char buf[4096];
    while (bytes.size() < most) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd pf{fd, POLLIN, 0};
        const int r = poll(&pf, 1, static_cast<int>(std::max<long>(0, left.count())));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return std::nullopt;
        const ssize_t n = read(fd, buf, std::min(sizeof buf, most - bytes.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // closed: the exit status tells the rest
        bytes.append(buf, static_cast<size_t>(n));
    }
    return bytes;
}

} // namespace wl
