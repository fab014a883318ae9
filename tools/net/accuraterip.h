// SPDX-License-Identifier: GPL-3.0-or-later
// Verdicts from the AccurateRip database: the disc's entry (every pressing's checksums per
// track) fetched once per disc, cached, and a ripped track's checksums compared with it.
#pragma once
#include "discprobe.h"
#include "result.h"

#include <cstdint>
#include <string>
#include <vector>

namespace wl {

// The disc as the database names it: its audio tracks, two sums over their starts and the
// freedb ID.
struct AccurateRipDisc {
    int audioTracks = 0;
    uint32_t id1 = 0, id2 = 0, freedb = 0;
    // "dBAR-012-0011b5a3-00a0e1d6-a90c9c0c.bin", under "a/3/5/" (id1's last three digits).
    std::string entryPath() const;
};
// From the disc's table of contents (data tracks count for the freedb ID only).
AccurateRipDisc accurateRipDisc(const DiscToc& toc);

// One pressing's entry: per track, how many rips agree and their checksum (v1 or v2).
struct PressingTrack {
    int confidence = 0;
    uint32_t checksum = 0;
};
using Pressing = std::vector<PressingTrack>;

// The pressings of a database entry; fails on an entry that is cut off or not of this disc.
Result<std::vector<Pressing>> parseEntry(const std::string& bytes, const AccurateRipDisc& disc);

// The base address: WAVELATHE_ACCURATERIP_URL, else http://www.accuraterip.com.
std::string accurateRipBase();

// The disc's pressings: from the cache, else from the database (none: the disc is not in it).
// Fails with a reason a person can read; a failure is kept a few minutes.
Result<std::vector<Pressing>> fetchPressings(const AccurateRipDisc& disc);

// What the database says of a ripped track: "accurately ripped (confidence 12, v2)", "not
// accurate (the database has 3 other pressings)", "disc not in the AccurateRip database".
// A track without samples is never accurate.
std::string verdict(const std::vector<Pressing>& pressings, int track, uint32_t v1, uint32_t v2,
                    uint64_t frames);

} // namespace wl
