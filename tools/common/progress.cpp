// SPDX-License-Identifier: GPL-3.0-or-later
#include "progress.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace wl {

std::string secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", std::max(0.0, seconds));
    return text;
}

bool stderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void Progress::update(double fraction, double audioSeconds) {
    const auto now = std::chrono::steady_clock::now();
    // The channel gets a few updates a second, and always the last one.
    const int permille = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 1000);
    if (permille != sentPermille_ &&
        (permille == 1000 || now - lastSent_ >= std::chrono::milliseconds(100))) {
        sentPermille_ = permille;
        lastSent_ = now;
        sendUpdate(update::kProgress, std::to_string(permille));
        sendUpdate(update::kAudio, secondsText(audioSeconds));
    }
    if (!terminal_)
        return;
    if (shown_ && now - last_ < std::chrono::milliseconds(250) && fraction < 1.0)
        return;
    last_ = now;
    shown_ = true;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const double speed = elapsed > 0 ? audioSeconds / elapsed : 0;
    std::fprintf(stderr, "\r%3d%%  %.1fx ", static_cast<int>(fraction * 100 + 0.5), speed);
    std::fflush(stderr);
}

void Progress::clear() {
    if (terminal_ && shown_)
        std::fprintf(stderr, "\r                    \r");
    shown_ = false;
}

OutputReport outputReport(const std::string& name, bool trashedOld) {
    OutputReport r{"Done " + name + "\n", {}};
    if (trashedOld) {
        r.text += "the old " + name + " is in the Trash\n";
        r.updates.push_back({std::string(update::kTrashed), name});
    }
    r.updates.push_back({std::string(update::kOutput), name});
    return r;
}

void reportOutput(const std::string& name, bool trashedOld) {
    const OutputReport r = outputReport(name, trashedOld);
    std::fputs(r.text.c_str(), stderr);
    for (const Update& u : r.updates)
        sendUpdate(u.keyword, u.text);
}

} // namespace wl
