// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobprotocol.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace wl {
namespace {

// The channel's descriptor, looked up once: -1 when the job has none.
int channelFd() {
    static const int fd = [] {
        const char* value = std::getenv(kProgressFdVariable);
        if (!value || !*value)
            return -1;
        char* end = nullptr;
        const long n = std::strtol(value, &end, 10);
        const int flags = *end || n < 3 || n > 1024 ? -1 : fcntl(static_cast<int>(n), F_GETFL);
        if (flags < 0)
            return -1;
        // A reader that stops reading must never stall the job.
        fcntl(static_cast<int>(n), F_SETFL, flags | O_NONBLOCK);
        return static_cast<int>(n);
    }();
    return fd;
}

// How long an update other than progress waits for room in a full pipe.
constexpr int kPatienceMs = 200;

// Waits up to ms for room in the pipe.
bool roomWithin(int fd, int ms) {
    pollfd p{fd, POLLOUT, 0};
    return poll(&p, 1, ms) == 1 && (p.revents & POLLOUT);
}

} // namespace

void sendUpdate(std::string_view keyword, std::string_view text) {
    const int fd = channelFd();
    if (fd < 0)
        return;
    std::string line;
    line.reserve(keyword.size() + text.size() + 2);
    line.append(keyword).append(" ");
    for (char c : text)
        line += (c == '\n' || c == '\r') ? ' ' : c;
    // Up to PIPE_BUF bytes go whole or not at all, never mixed with another writer's line.
    if (line.size() >= PIPE_BUF)
        line.resize(PIPE_BUF - 1);
    line += '\n';
    // When the pipe is full a progress update is dropped at once; any other gets a moment,
    // unless the reader already let one pass unread: then every update is dropped at once
    // until the pipe has room again, so that a reader that stopped costs the job one wait.
    static std::atomic<bool> readerAway{false};
    int patience = keyword == update::kProgress || readerAway ? 0 : kPatienceMs;
    while (true) {
        const ssize_t n = write(fd, line.data(), line.size());
        if (n >= 0) {
            readerAway = false;
            return;
        }
        if (errno != EINTR && errno != EAGAIN)
            return; // the window has gone: the job goes on without it
        if (errno == EAGAIN && (patience == 0 || !roomWithin(fd, patience))) {
            readerAway = readerAway || patience > 0;
            return;
        }
        if (errno == EAGAIN)
            patience = 0;
    }
}

std::optional<Update> parseUpdate(std::string_view line) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (line.empty())
        return std::nullopt;
    const size_t blank = line.find(' ');
    if (blank == std::string_view::npos)
        return Update{std::string(line), {}};
    return Update{std::string(line.substr(0, blank)), std::string(line.substr(blank + 1))};
}

} // namespace wl
