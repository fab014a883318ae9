// SPDX-License-Identifier: GPL-3.0-or-later
// A disc image's table of contents, read by libcdio in a short-lived child process.
// A malformed image can crash or hang only that child, never the program or the ripping tool.
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

// Checks the image's files (discFiles), then opens it through its DiscView in a child that
// reads the table of contents and the first and last sector of every audio track. A child
// that crashes or has not answered within timeoutMs makes the image unreadable.
Result<DiscToc> probeDisc(const std::string& image, int timeoutMs = 10000);
// The same through a view already made for the image (image names it in messages).
Result<DiscToc> probeDisc(const DiscView& view, const std::string& image, int timeoutMs = 10000);

} // namespace wl
