// SPDX-License-Identifier: GPL-3.0-or-later
// The user's "Look up discs online" choice, stored by the program beside its other
// preference: off, no tool and no window asks any service anything.
#pragma once
#include <optional>
#include <string>

namespace wl {

// The settings file's group and key, as the program's settings store writes them.
inline constexpr const char* kOnlineSection = "ripper";
inline constexpr const char* kOnlineKey = "lookupdiscs";

// On unless the user turned it off (the settings file says "false").
bool lookupsAllowed();

// A value from the same settings file, or nothing when it is not there.
std::optional<std::string> storedSetting(const std::string& section, const std::string& key);

} // namespace wl
