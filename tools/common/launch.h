// SPDX-License-Identifier: GPL-3.0-or-later
// Starting child processes: owned file descriptors and the one way every program starts one.
#pragma once
#include "result.h"

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace wl {

// Owns one file descriptor from pipe2 or open to close; move-only.
class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int release() { return std::exchange(fd_, -1); }
    void reset(int fd = -1);

  private:
    int fd_ = -1;
};

struct Pipe {
    UniqueFd read, write;
};
// A pipe whose ends are closed on exec; flags adds to O_CLOEXEC (O_NONBLOCK, ...).
Result<Pipe> makePipe(int flags = 0);

// What a child is started with. Descriptors of -1 leave the child's own (inherited) one.
struct Launch {
    std::vector<std::string> argv;     // the argument vector, argv[0] its program's name
    std::string path;                  // the program to run; empty: argv[0]
    std::vector<std::string> extraEnv; // "NAME=VALUE", replacing any NAME of the environment
    int in = -1, out = -1, err = -1;   // become standard input, output and error
    std::vector<int> inherit;          // further descriptors the program keeps open
    bool ownProcessGroup = false;      // so that a signal to the group reaches the whole job
    bool detached = false;             // in a session of its own, never our child to reap
};

// Starts the program: its pid (0 for a detached one), or why it could not start, including an
// exec that failed in the child (reported through a close-on-exec pipe).
Result<pid_t> spawn(const Launch& launch);

// Waits for a child and gives its exit status, 128+N when signal N ended it.
int waitExit(pid_t pid);

// What a child writes to a pipe (fd, its reading end), until it closes the pipe or most bytes
// came; nothing when the deadline passed first.
std::optional<std::string> readUntilClosed(int fd, std::chrono::steady_clock::time_point deadline,
                                           size_t most);

} // namespace wl
