// SPDX-License-Identifier: GPL-3.0-or-later
// What a collector keeps of a rip of several tracks: NAME.log, a plain account of the rip and
// its proofs, and NAME.cue, a cue sheet for the WAVs. Each track of the rip is ripped by a
// CDDA of its own; each keeps a record of what it did in the cache, and the last writes the
// log and the sheet from the records of this job.
#pragma once
#include "result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wl::cdda {

struct TrackRecord {
    int track = 0;       // 0: the audio hidden before the first track
    std::string file;    // the WAV as the job line names it
    std::string failure; // empty: ripped
    uint64_t frames = 0;
    int peak = 0; // 0 to 32768
    uint32_t crc = 0, v1 = 0, v2 = 0;
    long repaired = 0;
    std::string verdict; // AccurateRip's, or empty when not asked
    std::string title, artist;
};

// Keeps the record of the track ripped to path (absolute), for the rip's last track.
void keepRecord(const std::string& path, const TrackRecord& record);
// This job's record of path; a record of another job, or of a file that changed since, is
// none.
std::optional<TrackRecord> recordOf(const std::string& path);
// Removes the record of path, once the log is written.
void forgetRecord(const std::string& path);

// The disc, as the log and the sheet describe it.
struct RipDisc {
    std::string source;     // "/dev/sr0 (PIONEER BD-RW BDR-S12U)", or the image's path
    std::string offset;     // "read offset +6 samples (AccurateRip drive list)"
    std::string correction; // how the sectors were read
    std::string musicBrainzId, accurateRipId, freedbId;
    std::string album, albumArtist, catalog;
    struct Track {
        int number = 0;
        long pregap = 0; // sectors before its start that are its INDEX 00
        std::string isrc;
    };
    std::vector<Track> tracks; // the disc's audio tracks
};

// The log's text: the disc, then each track of wanted (its record, or that there is none),
// then a summary line.
std::string ripLog(const RipDisc& disc, const std::vector<int>& wanted,
                   const std::vector<TrackRecord>& records);

// A cue sheet for the ripped WAVs, beside them: one FILE per WAV, each track's pregap as its
// INDEX 00 at the end of the WAV before it (where the rip keeps it) or in NAME00.wav.
std::string cueSheet(const RipDisc& disc, const std::vector<TrackRecord>& records);

} // namespace wl::cdda
