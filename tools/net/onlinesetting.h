// SPDX-License-Identifier: GPL-3.0-or-later
// The user's "Look up discs online" choice, stored by the program beside its other
// preference: off, no tool and no window asks any service anything. And the read offsets the
// user set for drives.
#pragma once
#include <optional>
#include <string>

namespace wl {

// The settings file's group and key, as the program's settings store writes them.
inline constexpr const char* kOnlineSection = "ripper";
inline constexpr const char* kOnlineKey = "lookupdiscs";

// On unless the user turned it off (the settings file says "false").
bool lookupsAllowed();

// The largest offset there is, in samples: AccurateRip's checksums leave this many out at the
// disc's edges, so a larger one cannot be checked.
inline constexpr int kMostReadOffset = 5 * 588 - 1;

// The settings file's group of offsets the user set, one key per drive (driveKey()).
inline constexpr const char* kReadOffsetSection = "readoffsets";

// The key a drive's offset is stored under: its vendor and model in lower case, each run of
// other characters one "_" ("PIONEER", "BD-RW  BDR-S12U" give "pioneer_bd_rw_bdr_s12u").
std::string driveKey(const std::string& vendor, const std::string& model);

// A value from the same settings file, or nothing when it is not there.
std::optional<std::string> storedSetting(const std::string& section, const std::string& key);

} // namespace wl
