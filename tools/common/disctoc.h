// SPDX-License-Identifier: GPL-3.0-or-later
// A disc's table of contents as libcdio reads it from a disc it has open (a drive's, or an
// image the probe has read without harm).
#pragma once
#include "discprobe.h"

// cdio.h first: the other libcdio headers rely on its types.
#include <cdio/cdio.h>

#include <optional>

namespace wl {

// Every track (data ones too) and the lead-out; nothing when libcdio finds no tracks.
std::optional<DiscToc> tableOfContents(CdIo_t* cdio);

} // namespace wl
