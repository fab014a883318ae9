// SPDX-License-Identifier: GPL-3.0-or-later
// A CD drive's read offset: how many samples late (or, below zero, early) it reads the audio.
// It comes from the user's setting for the drive, else from AccurateRip's list of drives,
// fetched once and cached; else it is not known.
#pragma once
#include "onlinesetting.h"
#include "result.h"

#include <optional>
#include <string>
#include <vector>

namespace wl {

struct DriveOffset {
    std::string name; // as the list writes it: "PIONEER  - BD-RW  BDR-S12U"
    int samples = 0;
};

// The list's records: each 69 bytes, a 16-bit little-endian offset, then the drive's name in
// 32 bytes padded with NULs, then the count of its submissions and the share that agreed. Fails
// on a list that is empty, cut off or holds offsets no drive has.
Result<std::vector<DriveOffset>> parseDriveOffsets(const std::string& bytes);

// The offset the list gives for the drive: vendor and model compared without regard to case
// or runs of blanks.
std::optional<int> listedOffset(const std::vector<DriveOffset>& list, const std::string& vendor,
                                const std::string& model);

// The list from the cache, else from WAVELATHE_ACCURATERIP_URL (or AccurateRip itself), kept a
// month; a failure is kept a few minutes.
Result<std::vector<DriveOffset>> fetchDriveOffsets();

struct ReadOffset {
    int samples = 0;
    std::string from; // "your setting", "AccurateRip drive list", "disc image", "forced", or
                      // empty: not known
    // "read offset +6 samples (AccurateRip drive list)", "read offset unknown: 0 used"
    std::string describe() const;
};

// The drive's offset: the user's setting for it, else the list's (asked only when lookups
// are allowed), else not known.
ReadOffset driveReadOffset(const std::string& vendor, const std::string& model);

} // namespace wl
