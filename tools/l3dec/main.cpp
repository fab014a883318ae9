// SPDX-License-Identifier: GPL-3.0-or-later
// l3dec INPUT [OUTPUT] [-wav] [-quit]: decodes an MPEG audio file to a 16-bit PCM WAV.
#include "decode.h"
#include "jobprotocol.h"
#include "l3dec_args.h"

#include <cstdio>
#include <vector>

using namespace wl;

int main(int argc, char** argv) {
    installSignalCleanup();
    auto options = l3dec::parseArgs(std::vector<std::string>(argv + 1, argv + argc));
    if (!options) {
        std::fprintf(stderr, "l3dec: %s\nTry 'l3dec --help'.\n", options.error().c_str());
        return 2;
    }
    if (options->help || options->version) {
        std::fputs(options->help ? l3dec::kUsage : "", stdout);
        if (options->version)
            std::printf("l3dec (Wavelathe) %s\n", programVersion());
        return 0;
    }
    const std::string& input = options->input;
    const std::string output =
        options->output.empty() ? replaceExtension(input, ".wav") : options->output;
    std::fprintf(stderr, "Decoding %s -> %s\n", input.c_str(), output.c_str());
    sendUpdate("start", input);
    Progress progress(stderrIsTerminal());
    auto decoded = l3dec::decodeFile(input, output, &progress);
    progress.clear();
    if (!decoded) {
        std::fprintf(stderr, "l3dec: %s: %s\n", input.c_str(), decoded.error().c_str());
        sendUpdate("failed", input + ": " + decoded.error());
        return 1;
    }
    reportOutput(output, decoded->trashedOld);
    return 0;
}
