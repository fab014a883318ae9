// SPDX-License-Identifier: GPL-3.0-or-later
// One track of an audio disc (a drive or a disc image) to a WAV file.
#pragma once
#include "cdda_args.h"
#include "tags.h"

namespace wl::cdda {

struct Ripped {
    std::string output;
    std::string checks; // the copy CRC and AccurateRip checksums
    long repaired = 0;  // sectors that needed re-reads or were corrected
    bool trashedOld = false;
    Tags tags;          // the track's names from the disc's CD-Text, in the WAV's LIST/INFO
    std::string discId; // the MusicBrainz disc ID, and the table of contents it is made from:
    std::string toc;    // "1 12 198592 150 15000 ..." (first, last, lead-out, offsets)
    // What the AccurateRip database says of the track ("accurately ripped (confidence 7,
    // v2)", "not checked: ..."); empty when the user does not let us ask.
    std::string accurateRip;
};

// Rips the track; prints its start line to standard error. Nothing is written on failure.
Result<Ripped> rip(const Options& o);

} // namespace wl::cdda
