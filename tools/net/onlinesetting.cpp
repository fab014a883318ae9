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

struct Wanted {
    std::string_view section, key;
    std::optional<std::string> value;
};

int onEntry(void* user, const char* section, const char* name, const char* value) {
    auto* wanted = static_cast<Wanted*>(user);
    if (wanted->section == section && wanted->key == name)
        wanted->value = value;
    return 1;
}

} // namespace

std::optional<std::string> storedSetting(const std::string& section, const std::string& key) {
    Wanted wanted{section, key, std::nullopt};
    const std::string file = settingsFile();
    if (!file.empty())
        (void)ini_parse(file.c_str(), onEntry, &wanted);
    return wanted.value;
}

bool lookupsAllowed() { return storedSetting(kOnlineSection, kOnlineKey) != "false"; }

} // namespace wl
