// SPDX-License-Identifier: GPL-3.0-or-later
// The key a drive's read offset is kept under, apart from the settings reader: the program
// names drives without linking the reader.
#include "onlinesetting.h"

#include <cctype>

namespace wl {

std::string driveKey(const std::string& vendor, const std::string& model) {
    std::string key;
    for (const char c : vendor + " " + model) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (std::isalnum(u) && u < 0x80)
            key += static_cast<char>(std::tolower(u));
        else if (!key.empty() && key.back() != '_')
            key += '_';
    }
    while (!key.empty() && key.back() == '_')
        key.pop_back();
    return key;
}

} // namespace wl
