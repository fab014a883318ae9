// SPDX-License-Identifier: GPL-3.0-or-later
// What a tool tells as it works: a progress line on a terminal, progress and reports to the job.
#pragma once
#include "jobprotocol.h"

#include <chrono>
#include <string>
#include <vector>

namespace wl {

// A progress line redrawn in place on a terminal, at most a few times a second; the same
// progress goes to the job's progress channel when there is one.
class Progress {
  public:
    explicit Progress(bool terminal) : terminal_(terminal) {}
    // fraction 0..1, audioSeconds done so far, for the speed as a multiple of real time
    void update(double fraction, double audioSeconds);
    void clear();

  private:
    bool terminal_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point last_{}, lastSent_{};
    bool shown_ = false;
    int sentPermille_ = -1;
};

bool stderrIsTerminal();
// Seconds of audio as the progress channel carries them: "42.3".
std::string secondsText(double seconds);

// The "output is ready" lines of a tool: "Done NAME" for people, and for a replaced file
// "the old NAME is in the Trash"; the same as updates for the progress channel.
struct OutputReport {
    std::string text;
    std::vector<Update> updates;
};
OutputReport outputReport(const std::string& name, bool trashedOld);
// Prints the report and sends its updates.
void reportOutput(const std::string& name, bool trashedOld);

} // namespace wl
