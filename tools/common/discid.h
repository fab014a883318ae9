// SPDX-License-Identifier: GPL-3.0-or-later
// A disc's MusicBrainz disc ID and the table of contents it is made from (libdiscid).
#pragma once
#include "discprobe.h"

#include <string>

namespace wl {

struct DiscIdentity {
    std::string id, toc; // toc: "1 12 198592 150 15000 ..." (first, last, lead-out, offsets)
};

// A CD's audio: 75 sectors a second, each of 588 stereo samples. Its addresses count from the
// end of a 2-second lead-in; an Enhanced CD's data session starts 11400 sectors after its audio
// ends.
inline constexpr int kSectorsPerSecond = 75;
inline constexpr int kSamplesPerSector = 588;
inline constexpr int kLeadIn = 150;
inline constexpr int kEnhancedCdGap = 11400;

// The disc ID of audio tracks first..last: offsets[0] is the lead-out and offsets[n] track n's
// start, in sectors from the disc's very start (kLeadIn before LSN 0). Empty when the tracks
// cannot make one.
DiscIdentity musicBrainzDiscId(int first, int last, const int* offsets);

// The disc's page at MusicBrainz, where a disc it does not know can be added.
std::string musicBrainzDiscPage(const DiscIdentity& disc);

// Where the disc's audio ends: its lead-out, or on an Enhanced CD the start of the data track
// after the audio less the gap between the sessions (sectors from LSN 0).
int32_t audioLeadout(const DiscToc& toc);

// The same for a probed table of contents: its audio tracks, the lead-out of the audio (before
// an Enhanced CD's data track).
DiscIdentity musicBrainzDiscId(const DiscToc& toc);

} // namespace wl
