// SPDX-License-Identifier: GPL-3.0-or-later
// What the AccurateRip database said of the tracks of a rip, in one phrase, for the job
// window, the notification and the rip's log alike.
#pragma once
#include <string>
#include <vector>

namespace wl {

// verdicts: "N TEXT" each, as the verdict update carries them. Gives "all accurate
// (confidence 8-12)", "11 accurate, track 7 not", "not in the AccurateRip database", ...;
// empty when the database was not asked.
std::string accuracySummary(const std::vector<std::string>& verdicts);

} // namespace wl
