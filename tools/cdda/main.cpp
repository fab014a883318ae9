// SPDX-License-Identifier: GPL-3.0-or-later
// CDDA /T N /F NAME /O [/D DEVICE]: rips one audio CD track to a 44.1 kHz 16-bit stereo WAV with
// full paranoia error correction, and proves the rip with its checksums.
#include "jobprotocol.h"
#include "programs.h"
#include "progress.h"
#include "rip.h"
#include "safeoutput.h"
#include "toolmain.h"

#include <cstdio>

using namespace wl;

int main(int argc, char** argv) {
    installSignalCleanup();
    auto options = cdda::parseArgs(std::vector<std::string>(argv + 1, argv + argc));
    if (const auto status = answerCommandLine(program::kCdda, options, cdda::kUsage))
        return *status;
    sendUpdate(update::kStart, "track " + options->trackText);
    auto ripped = cdda::rip(*options);
    if (!ripped) {
        std::fprintf(stderr, "CDDA: %s\n", ripped.error().c_str());
        sendUpdate(update::kFailed, ripped.error());
        return kExitFailed;
    }
    const std::string repaired =
        std::to_string(ripped->repaired) + " sectors needed re-reads or correction";
    std::fprintf(stderr, "%s\n%s\n", ripped->checks.c_str(), repaired.c_str());
    sendUpdate(update::kCheck, ripped->checks + "; " + repaired);
    if (!ripped->accurateRip.empty()) {
        std::fprintf(stderr, "AccurateRip: %s\n", ripped->accurateRip.c_str());
        sendUpdate(update::kCheck, "AccurateRip: " + ripped->accurateRip);
        sendUpdate(update::kVerdict, options->trackText + " " + ripped->accurateRip);
    }
    if (!ripped->discId.empty()) {
        std::fprintf(stderr, "MusicBrainz disc ID %s\n", ripped->discId.c_str());
        sendUpdate(update::kDisc, ripped->discId + " " + ripped->toc);
    }
    reportOutput(ripped->output, ripped->trashedOld);
    return kExitOk;
}
