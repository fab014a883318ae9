// SPDX-License-Identifier: GPL-3.0-or-later
#include "l3dec_args.h"

#include "inputoutput.h"
#include "paths.h"

namespace wl::l3dec {

Result<Options> parseArgs(const std::vector<std::string>& args) {
    Options o;
    std::vector<std::string> files;
    bool switches = true;
    for (const std::string& a : args) {
        const std::string s = lower(a);
        if (!switches || a.size() < 2 || a[0] != '-')
            files.push_back(a);
        else if (s == "--")
            switches = false;
        else if (s == "--help")
            o.help = true;
        else if (s == "--version")
            o.version = true;
        else if (s != "-wav" && s != "-quit")
            return Result<Options>::fail("unknown switch " + a);
    }
    return withInputOutput(std::move(o), files);
}

const char* const kUsage =
    "usage: l3dec INPUT [OUTPUT] [-wav] [-quit]\n"
    "Decodes an MPEG audio file (MP3) to a 16-bit PCM WAV file.\n"
    "\n"
    "  -wav        write a WAV file (the only output format; accepted for old scripts)\n"
    "  -quit       accepted for old scripts; changes nothing\n"
    "  --          every word after this is a file name\n"
    "  --help      this text;  --version  the version\n"
    "\n"
    "OUTPUT defaults to INPUT with .wav; an existing file of that name goes to the Trash first.\n"
    "Exit status: 0 decoded, 1 failed or damaged (a damaged stream keeps what decoded when the\n"
    "name was free), 2 usage error.\n";

} // namespace wl::l3dec
