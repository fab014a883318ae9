// SPDX-License-Identifier: GPL-3.0-or-later
// For the start-up benchmarks (WAVELATHE_QUIT_WHEN_SHOWN): the moment a program's first window
// is on screen, on the monotonic clock, printed as "shown SECONDS"; then the program quits. What
// it costs to end the process is no part of its start.
#pragma once
#include <QCoreApplication>
#include <cstdio>
#include <ctime>

namespace wl {

inline void reportShown() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::printf("shown %ld.%09ld\n", static_cast<long>(now.tv_sec), now.tv_nsec);
    std::fflush(stdout);
    QCoreApplication::quit();
}

} // namespace wl
