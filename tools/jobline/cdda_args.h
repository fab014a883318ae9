// SPDX-License-Identifier: GPL-3.0-or-later
// CDDA's command line: its switches and names, parsed into Options.
#pragma once
#include "result.h"

#include <string>
#include <vector>

namespace wl::cdda {

struct Options {
    int track = 0;         // 0: not given
    std::string trackText; // as given, for the message when it is not a number
    std::string name;      // the output file; empty: TrackNN.wav
    bool overwrite = false;
    std::string device; // empty: the first drive with an audio disc
    // /L 1,2,3: this track is one of a rip of these tracks, each to NAME without its trailing
    // digits and the track's two-digit number; the rip's log and cue sheet come with its last.
    std::vector<int> ripOf;
    bool help = false;
    bool version = false;
};

// CDDA /T N /F NAME /O [/D DEVICE] [/L TRACKS]; switches case-insensitive, in any order, a value
// either the next argument or glued on ("/T5").
Result<Options> parseArgs(const std::vector<std::string>& args);

extern const char* const kUsage;

// The file to write: NAME with ".wav" added when it has no extension, or "TrackNN.wav".
std::string outputName(const Options& o);

// Track n's file in the rip of several tracks o belongs to: "Track" from "Track07" gives
// "Track03.wav" for track 3.
std::string trackFileOf(const Options& o, int track);
// The rip's own files, NAME without its trailing digits: "Track" gives "Track.log",
// "Track.cue" and, for audio hidden before the first track, "Track00.wav".
std::string ripBaseOf(const Options& o);

} // namespace wl::cdda
