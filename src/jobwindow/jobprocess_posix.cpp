// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobprocess.h"

#include "jobprotocol.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace wl {

JobProcess startJob(const std::string& program, const std::vector<std::string>& args) {
    JobProcess job;
    // The job's messages wait for the window when the pipe is full; the progress channel
    // never blocks a tool: a full pipe drops an update instead.
    auto out = makePipe();
    auto progress = out ? makePipe(O_NONBLOCK) : Result<Pipe>::fail(out.error());
    if (!progress) {
        job.error = progress.error();
        return job;
    }
    fcntl(out->read.get(), F_SETFL, O_NONBLOCK);
    Launch launch;
    launch.argv = {program};
    launch.argv.insert(launch.argv.end(), args.begin(), args.end());
    launch.extraEnv = {std::string(kProgressFdVariable) + "=" +
                       std::to_string(progress->write.get())};
    launch.out = launch.err = out->write.get();
    launch.inherit = {progress->write.get()};
    launch.ownProcessGroup = true;
    const auto pid = spawn(launch);
    if (!pid) {
        job.error = pid.error();
        return job;
    }
    job.pid = *pid;
    job.output = std::move(out->read);
    job.progress = std::move(progress->read);
    job.exited = UniqueFd(static_cast<int>(syscall(SYS_pidfd_open, job.pid, 0)));
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
