// SPDX-License-Identifier: GPL-3.0-or-later
// BladeEnc's command line: its switches and names, parsed into Options.
#pragma once
#include "result.h"

#include <string>
#include <vector>

namespace wl::bladeenc {

struct Options {
    int kbps = 128;
    bool downmix = false;
    bool highQuality = false;
    bool quit = false;
    bool deleteSource = false;
    bool help = false;
    bool version = false;
    std::string input;
    std::string output; // empty: beside the input, with ".mp3"
};

// Every MPEG Layer III bitrate (MPEG-1, -2 and -2.5), kbit/s.
bool isLayer3Bitrate(int kbps);

// BladeEnc [switches] INPUT [OUTPUT] [switches]. Switches start with "-" and are compared
// without regard to case; any other "-" word is refused as an unknown switch, so a name is
// never taken for a switch nor a switch for a name ("./-x" or "--" pass such a name). A usage
// error comes back as the failure text.
Result<Options> parseArgs(const std::vector<std::string>& args);

extern const char* const kUsage;

} // namespace wl::bladeenc
