// SPDX-License-Identifier: GPL-3.0-or-later
#include "onlinesetting.h"

#include "paths.h"

#include <cstdlib>
#include <ini.h>
#include <string>
#include <string_view>

namespace wl {
namespace {

// $XDG_CONFIG_HOME/Wavelathe/Wavelathe.ini, where the program's settings store keeps it.
std::string settingsFile() {
    const std::string config = xdgFolder("XDG_CONFIG_HOME", ".config");
    return config.empty() ? config : config + "/Wavelathe/Wavelathe.ini";
}

int onEntry(void* user, const char* section, const char* name, const char* value) {
    if (std::string_view(section) == kOnlineSection && std::string_view(name) == kOnlineKey)
        *static_cast<bool*>(user) = std::string_view(value) != "false";
    return 1;
}

} // namespace

bool lookupsAllowed() {
    bool allowed = true;
    const std::string file = settingsFile();
    if (!file.empty())
        (void)ini_parse(file.c_str(), onEntry, &allowed);
    return allowed;
}

} // namespace wl
