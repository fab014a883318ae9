// SPDX-License-Identifier: GPL-3.0-or-later
// The steps every tool's main() shares: exit statuses, --help, --version and usage errors.
#pragma once
#include "result.h"

#include <optional>
#include <string>

namespace wl {

enum ExitStatus : int {
    kExitOk = 0,
    kExitFailed = 1, // the work failed; the tool said why
    kExitUsage = 2,  // the command line could not be used
};

// The version that --version prints.
const char* programVersion();

// "TOOL: why" and "Try 'TOOL --help'." on standard error; kExitUsage.
int usageError(const char* tool, const std::string& why);

// The --help text (when usage is given) and the --version line on standard output.
void printHelp(const char* tool, const char* usage, bool version);

// The answer to a parsed command line before any work: a usage error, or the --help text and
// the --version line on standard output. The exit status when the tool ends there.
template <class Options>
std::optional<int> answerCommandLine(const char* tool, const Result<Options>& options,
                                     const char* usage) {
    if (!options)
        return usageError(tool, options.error());
    if (!options->help && !options->version)
        return std::nullopt;
    printHelp(tool, options->help ? usage : nullptr, options->version);
    return kExitOk;
}

} // namespace wl
