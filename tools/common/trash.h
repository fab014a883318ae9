// SPDX-License-Identifier: GPL-3.0-or-later
// The user's Trash, in the freedesktop.org Trash layout.
#pragma once

#include <string>

namespace wl {

// Moves a file to the Trash: the home Trash on the home file system, else its volume's. The
// reason it could not (the file then stays where it was), or empty.
std::string moveToTrash(const std::string& path);

} // namespace wl
