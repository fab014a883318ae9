// SPDX-License-Identifier: GPL-3.0-or-later
// The user's Trash, in the freedesktop.org Trash layout.
#pragma once

#include "result.h"

#include <string>

namespace wl {

enum class Trashed {
    Moved,       // the file is in the Trash
    AlreadyGone, // there was no file to move (another job may have moved it a moment before)
};

// Moves a file to the Trash: the home Trash on the home file system, else its volume's. Fails
// with the reason it could not; the file then stays where it was.
Result<Trashed> moveToTrash(const std::string& path);

} // namespace wl
