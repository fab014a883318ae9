// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "result.h"

#include <string>
#include <vector>

namespace wl::bladeenc {

// True when the last path component holds "*" or "?".
bool isPattern(const std::string& input);

// The regular files of the pattern's folder whose names match its last component, compared
// case-insensitively as Windows compares file names, in name order. Hidden files are not
// matched by a leading wildcard. Fails when the folder is missing or cannot be read.
Result<std::vector<std::string>> expandPattern(const std::string& pattern);

// A case-insensitive wildcard match of * and ?.
bool wildcardMatch(std::string_view pattern, std::string_view name);

} // namespace wl::bladeenc
