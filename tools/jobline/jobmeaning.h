// SPDX-License-Identifier: GPL-3.0-or-later
// What a job line asks of its tool, read with the tool's own argument parser. The program
// checks every line it writes with it (a name must reach the tool as that name, never as a
// switch), and the job window names a job from it.
#pragma once
#include "result.h"

#include <string>
#include <utility>
#include <vector>

namespace wl {

// The program name and the parsed settings as key/value fields in a fixed order ("input",
// "output", "kbps", ...). A failure carries the tool's usage error; an unknown program gives
// only its name.
using JobFields = std::vector<std::pair<std::string, std::string>>;
Result<JobFields> jobMeaning(const std::vector<std::string>& words);

// A short title for what a line does: "Encoding song.wav", "Encoding the WAV files of music",
// "Decoding Track1.mp3", "Ripping track 5"; the program name for anything else.
std::string jobTitle(const std::vector<std::string>& words);

} // namespace wl
