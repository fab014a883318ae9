// SPDX-License-Identifier: GPL-3.0-or-later
#include "bladeenc_args.h"

#include "inputoutput.h"
#include "paths.h"

#include <algorithm>

namespace wl::bladeenc {
namespace {

bool allDigits(std::string_view s) {
    return !s.empty() && s.size() <= 6 &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

Result<int> bitrateFromBits(const std::string& value) {
    if (allDigits(value) && std::stoi(value) % 1000 == 0 &&
        isLayer3Bitrate(std::stoi(value) / 1000))
        return std::stoi(value) / 1000;
    return Result<int>::fail("invalid bitrate \"" + value +
                             "\" after -br (bits per second, 8000 to 320000)");
}

} // namespace

bool isLayer3Bitrate(int kbps) {
    static constexpr int kRates[] = {8,  16,  24,  32,  40,  48,  56,  64,  80,
                                     96, 112, 128, 144, 160, 192, 224, 256, 320};
    return std::find(std::begin(kRates), std::end(kRates), kbps) != std::end(kRates);
}

Result<Options> parseArgs(const std::vector<std::string>& args) {
    Options o;
    std::vector<std::string> files;
    bool switches = true;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const std::string s = lower(a);
        if (!switches || a.size() < 2 || a[0] != '-') {
            files.push_back(a);
        } else if (s == "--") {
            switches = false;
        } else if (s == "--help") {
            o.help = true;
        } else if (s == "--version") {
            o.version = true;
        } else if (s == "-br") {
            if (i + 1 >= args.size())
                return Result<Options>::fail("-br needs a bitrate in bits per second");
            auto kbps = bitrateFromBits(args[++i]);
            if (!kbps)
                return Result<Options>::fail(kbps.error());
            o.kbps = *kbps;
        } else if (allDigits(s.substr(1))) {
            const int kbps = std::stoi(s.substr(1));
            if (!isLayer3Bitrate(kbps))
                return Result<Options>::fail("invalid bitrate \"" + a + "\" (kbit/s, 8 to 320)");
            o.kbps = kbps;
        } else if (s == "-dm") {
            o.downmix = true;
        } else if (s == "-hq") {
            o.highQuality = true;
        } else if (s == "-quit") {
            o.quit = true;
        } else if (s == "-delete") {
            o.deleteSource = true;
        } else {
            return Result<Options>::fail("unknown switch " + a);
        }
    }
    return withInputOutput(std::move(o), files);
}

const char* const kUsage =
    "usage: BladeEnc [SWITCHES] INPUT [OUTPUT] [SWITCHES]\n"
    "Encodes a WAV file, or every file a pattern such as music/*.wav matches, to MP3.\n"
    "\n"
    "  -br BITS    bitrate in bits per second (8000 to 320000; default 128000)\n"
    "  -KBPS       bitrate in kbit/s (8 to 320), as in -128\n"
    "  -dm         downmix stereo to mono\n"
    "  -hq         high-quality encoding (slower)\n"
    "  -delete     delete each WAV once its MP3 is complete and on disk\n"
    "  -quit       accepted for old scripts; changes nothing\n"
    "  --          every word after this is a file name\n"
    "  --help      this text;  --version  the version\n"
    "\n"
    "OUTPUT defaults to INPUT with .mp3; an existing file of that name goes to the Trash first.\n"
    "Exit status: 0 all encoded, 1 an input failed or could not be deleted, 2 usage error.\n";

} // namespace wl::bladeenc
