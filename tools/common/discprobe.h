// SPDX-License-Identifier: GPL-3.0-or-later
// A disc image's table of contents, read by libcdio in a short-lived program of its own
// (wavelathe-probe, beside the program). A malformed image can crash or hang only that
// program, never the program or the ripping tool that asked.
#pragma once
#include "discfiles.h"
#include "result.h"

#include <cstdint>
#include <string>
#include <vector>

namespace wl {

struct ProbedTrack {
    int number = 0;
    bool audio = false;
    int32_t start = 0; // first sector
};

struct DiscToc {
    std::vector<ProbedTrack> tracks; // in disc order
    int32_t leadout = 0;             // the sector after the last track
};

// Checks the image's files (discFiles), then opens it through its DiscView in the probe, which
// reads the table of contents and the first and last sector of every audio track. A probe
// that crashes or has not answered within timeoutMs makes the image unreadable.
Result<DiscToc> probeDisc(const std::string& image, int timeoutMs = 10000);
// The same through a view already made for the image (image names it in messages).
Result<DiscToc> probeDisc(const DiscView& view, const std::string& image, int timeoutMs = 10000);

// What the probe sends on its standard output: the lead-out, then number, audio flag and
// start of each track.
namespace probe {
constexpr int kMaxTracks = 99;
struct Answer {
    int32_t count = 0, leadout = 0;
    int32_t number[kMaxTracks] = {}, audio[kMaxTracks] = {}, start[kMaxTracks] = {};
};
} // namespace probe

// How many probes this process started (for tests: an image is probed once per change).
int probesStarted();

// The probe program's work: opens source (from folder, when given) with libcdio, writes the
// answer to standard output, and ends by itself after seconds. Its exit status: 0 answered, 2
// not readable as a disc, 3 the answer could not be written.
int answerProbe(const std::string& source, const std::string& folder, int seconds);

} // namespace wl
