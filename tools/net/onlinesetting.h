// SPDX-License-Identifier: GPL-3.0-or-later
// The user's "Look up discs online" choice, stored by the program beside its other
// preference: off, no tool and no window asks any service anything.
#pragma once

namespace wl {

// The settings file's group and key, as the program's settings store writes them.
inline constexpr const char* kOnlineSection = "ripper";
inline constexpr const char* kOnlineKey = "lookupdiscs";

// On unless the user turned it off (the settings file says "false").
bool lookupsAllowed();

} // namespace wl
