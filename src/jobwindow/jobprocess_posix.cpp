// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobprocess.h"

#include "jobprotocol.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace wl {

JobProcess startJob(const std::string& program, const std::vector<std::string>& args) {
    JobProcess job;
    int out[2] = {-1, -1}, progress[2] = {-1, -1}, report[2] = {-1, -1};
    // The progress channel never blocks a tool: a full pipe drops an update instead.
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(progress, O_CLOEXEC | O_NONBLOCK) != 0 ||
        pipe2(report, O_CLOEXEC) != 0) {
        job.error = std::strerror(errno);
        for (int fd : {out[0], out[1], progress[0], progress[1], report[0], report[1]})
            if (fd >= 0)
                close(fd);
        return job;
    }
    // Everything the child needs is made before fork: after it only async-signal-safe calls.
    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    const std::string channel =
        std::string(kProgressFdVariable) + "=" + std::to_string(progress[1]);
    std::vector<char*> envp;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, kProgressFdVariable, std::strlen(kProgressFdVariable)) != 0)
            envp.push_back(*e);
    envp.push_back(const_cast<char*>(channel.c_str()));
    envp.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        dup2(out[1], STDOUT_FILENO);
        dup2(out[1], STDERR_FILENO);
        fcntl(progress[1], F_SETFD, 0); // kept across exec
        signal(SIGPIPE, SIG_DFL);
        execve(argv[0], argv.data(), envp.data());
        const int e = errno;
        (void)!write(report[1], &e, sizeof e);
        _exit(126);
    }
    close(out[1]);
    close(progress[1]);
    close(report[1]);
    if (pid < 0) {
        job.error = std::strerror(errno);
        close(out[0]);
        close(progress[0]);
        close(report[0]);
        return job;
    }
    int childErrno = 0;
    ssize_t got;
    while ((got = read(report[0], &childErrno, sizeof childErrno)) < 0 && errno == EINTR) {
    }
    close(report[0]);
    if (got == static_cast<ssize_t>(sizeof childErrno)) {
        job.error = std::strerror(childErrno);
        waitpid(pid, nullptr, 0);
        close(out[0]);
        close(progress[0]);
        return job;
    }
    job.pid = pid;
    job.output = out[0];
    job.progress = progress[0];
    job.exited = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    fcntl(job.output, F_SETFL, O_NONBLOCK);
    fcntl(job.progress, F_SETFL, O_NONBLOCK);
    return job;
}

int reapJob(pid_t pid) {
    int status = 0;
    pid_t r;
    while ((r = waitpid(pid, &status, WNOHANG)) < 0 && errno == EINTR) {
    }
    if (r != pid)
        return -1;
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

} // namespace wl
