// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobprotocol.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
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
        if (*end || n < 3 || n > 1024 || fcntl(static_cast<int>(n), F_GETFD) < 0)
            return -1;
        return static_cast<int>(n);
    }();
    return fd;
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
    line += '\n';
    size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = write(fd, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // the window has gone: the job goes on without it
        done += static_cast<size_t>(n);
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
