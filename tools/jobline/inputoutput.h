// SPDX-License-Identifier: GPL-3.0-or-later
// The file names of BladeEnc's and l3dec's command lines: INPUT and an optional OUTPUT.
#pragma once
#include "result.h"

#include <string>
#include <vector>

namespace wl {

// The file names of a tool's command line: INPUT and an optional OUTPUT.
Status takeInputOutput(const std::vector<std::string>& names, std::string& input,
                       std::string& output);

// The parsed options with their INPUT and OUTPUT taken from names, unless --help or --version
// was asked for (then the names do not matter).
template <class Options>
Result<Options> withInputOutput(Options o, const std::vector<std::string>& names) {
    if (o.help || o.version)
        return o;
    if (Status s = takeInputOutput(names, o.input, o.output); !s)
        return Result<Options>::fail(s.error());
    return o;
}

} // namespace wl
