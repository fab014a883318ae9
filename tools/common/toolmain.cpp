// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolmain.h"

#include <cstdio>

namespace wl {

const char* programVersion() { return WL_VERSION; }

int usageError(const char* tool, const std::string& why) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", tool, why.c_str(), tool);
    return kExitUsage;
}

void printHelp(const char* tool, const char* usage, bool version) {
    if (usage)
        std::fputs(usage, stdout);
    if (version)
        std::printf("%s (Wavelathe) %s\n", tool, programVersion());
}

} // namespace wl
