// SPDX-License-Identifier: GPL-3.0-or-later
// l3dec's command line: its switches and names, parsed into Options.
#pragma once
#include "result.h"

#include <string>
#include <vector>

namespace wl::l3dec {

struct Options {
    bool help = false;
    bool version = false;
    std::string input;
    std::string output; // empty: beside the input, with ".wav"
};

// l3dec INPUT [OUTPUT] [-wav] [-quit]; switches without regard to case, "--" ends them, any
// other "-" word is an unknown switch.
Result<Options> parseArgs(const std::vector<std::string>& args);

extern const char* const kUsage;

} // namespace wl::l3dec
