// SPDX-License-Identifier: GPL-3.0-or-later
// The files behind a drive or disc image, checked before libcdio opens any of them.
#pragma once
#include "toolkit.h"

#include <string>
#include <vector>

namespace wl {

// For a disc image, the image and every data file it names (a CUE sheet's or TOC file's FILE
// entries, relative to the image's folder); nothing for a drive's device. Fails for a folder,
// a FIFO or any other file that is neither a regular file nor a device, and for a data file
// that is missing or not a regular file: libcdio would hang on a FIFO and end the process on
// a folder.
Result<std::vector<std::string>> discFiles(const std::string& device);

// The data file names an image's text names (FILE "x.bin" BINARY, DATAFILE "x.bin" ...).
std::vector<std::string> namedDataFiles(std::string_view sheet);

} // namespace wl
