// SPDX-License-Identifier: GPL-3.0-or-later
#include "inputoutput.h"

namespace wl {

Status takeInputOutput(const std::vector<std::string>& names, std::string& input,
                       std::string& output) {
    if (names.empty())
        return fail("no input file given");
    if (names.size() > 2)
        return fail("too many file names (\"" + names[2] + "\")");
    input = names[0];
    output = names.size() == 2 ? names[1] : std::string();
    return ok();
}

} // namespace wl
