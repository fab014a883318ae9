// SPDX-License-Identifier: GPL-3.0-or-later
// The job's process: started before the window exists, so that the job does not wait for the
// toolkit to come up.
#pragma once
#include "launch.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace wl {

struct JobProcess {
    pid_t pid = -1;
    UniqueFd exited;   // a pidfd that becomes readable when the job ends (none: poll instead)
    UniqueFd output;   // the job's standard output and error, merged
    UniqueFd progress; // the reading end of the job's progress channel
    std::string error; // why it could not start
    bool started() const { return pid > 0; }
};

// Starts program with args in a process group of its own, its standard input inherited, its
// output on a pipe, and the progress channel's writing end named in its environment. Both
// pipes are read without blocking.
JobProcess startJob(const std::string& program, const std::vector<std::string>& args);

// The job's exit status once it has ended (128+N for signal N), or -1 while it runs.
int reapJob(pid_t pid);

} // namespace wl
