// SPDX-License-Identifier: GPL-3.0-or-later
// Paths and file names: folder, last component, extension, and names compared without case.
#pragma once

#include <string>
#include <string_view>

namespace wl {

// The last component of a path.
std::string baseName(const std::string& path);
// The folder of a path: "." for a bare name, "/" for a name in the root.
std::string folderOf(const std::string& path);
// A name found from a folder: the name itself when it is absolute or the folder is ".".
std::string joinPath(const std::string& folder, const std::string& name);
// The name with its extension (after the last dot of the last component) replaced.
std::string replaceExtension(const std::string& path, const std::string& ext);
// True when both names lead to the same existing file (same path or same inode).
bool sameFile(const std::string& a, const std::string& b);

std::string lower(std::string_view s);
// A folder of the user's as the XDG base directories name it: $variable when it is an absolute
// path, else $HOME/underHome; empty without either.
std::string xdgFolder(const char* variable, const char* underHome);
bool iequals(std::string_view a, std::string_view b);

} // namespace wl
