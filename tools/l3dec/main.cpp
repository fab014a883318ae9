// SPDX-License-Identifier: GPL-3.0-or-later
// l3dec INPUT [OUTPUT] [-wav] [-quit]: decodes an MPEG audio file to a 16-bit PCM WAV.
#include "decode.h"
#include "jobprotocol.h"
#include "l3dec_args.h"
#include "paths.h"
#include "programs.h"
#include "safeoutput.h"
#include "toolmain.h"

#include <cstdio>
#include <vector>

using namespace wl;

int main(int argc, char** argv) {
    installSignalCleanup();
    auto options = l3dec::parseArgs(std::vector<std::string>(argv + 1, argv + argc));
    if (const auto status = answerCommandLine(program::kL3dec, options, l3dec::kUsage))
        return *status;
    const std::string& input = options->input;
    const std::string output =
        options->output.empty() ? replaceExtension(input, ".wav") : options->output;
    std::fprintf(stderr, "Decoding %s -> %s\n", input.c_str(), output.c_str());
    sendUpdate(update::kStart, input);
    Progress progress(stderrIsTerminal());
    auto decoded = l3dec::decodeFile(input, output, &progress);
    progress.clear();
    if (!decoded) {
        std::fprintf(stderr, "l3dec: %s: %s\n", input.c_str(), decoded.error().c_str());
        sendUpdate(update::kFailed, input + ": " + decoded.error());
        return kExitFailed;
    }
    reportOutput(output, decoded->trashedOld);
    return kExitOk;
}
