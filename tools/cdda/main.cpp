// SPDX-License-Identifier: GPL-3.0-or-later
// CDDA /T N /F NAME /O [/D DEVICE]: rips one audio CD track to a 44.1 kHz 16-bit stereo WAV with
// full paranoia error correction, and proves the rip with its checksums.
#include "jobprotocol.h"
#include "rip.h"

#include <cstdio>

using namespace wl;

int main(int argc, char** argv) {
    installSignalCleanup();
    auto options = cdda::parseArgs(std::vector<std::string>(argv + 1, argv + argc));
    if (!options) {
        std::fprintf(stderr, "CDDA: %s\nTry 'CDDA --help'.\n", options.error().c_str());
        return 2;
    }
    if (options->help || options->version) {
        std::fputs(options->help ? cdda::kUsage : "", stdout);
        if (options->version)
            std::printf("CDDA (Wavelathe) %s\n", programVersion());
        return 0;
    }
    sendUpdate("start", "track " + options->trackText);
    auto ripped = cdda::rip(*options);
    if (!ripped) {
        std::fprintf(stderr, "CDDA: %s\n", ripped.error().c_str());
        sendUpdate("failed", ripped.error());
        return 1;
    }
    const std::string repaired =
        std::to_string(ripped->repaired) + " sectors needed re-reads or correction";
    std::fprintf(stderr, "%s\n%s\n", ripped->checks.c_str(), repaired.c_str());
    sendUpdate("check", ripped->checks + "; " + repaired);
    reportOutput(ripped->output, ripped->trashedOld);
    return 0;
}
