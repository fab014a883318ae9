#pragma once
#include "toolkit.h"

#include <string>
#include <vector>

namespace wl::bladeenc {

struct Options {
    int kbps = 128;
    bool downmix = false;
    bool highQuality = false;
    bool quit = false;
    bool deleteSource = false;
    std::string input;
    std::string output; // empty: beside the input, with ".mp3"
};

// Every MPEG Layer III bitrate (MPEG-1, -2 and -2.5), kbit/s.
bool isLayer3Bitrate(int kbps);

// BladeEnc [switches] INPUT [OUTPUT] [switches]. A usage error comes back as the failure text.
Result<Options> parseArgs(const std::vector<std::string>& args);

} // namespace wl::bladeenc
