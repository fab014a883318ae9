// SPDX-License-Identifier: GPL-3.0-or-later
// The names of a disc from the MusicBrainz web service (version 2, JSON): looked up by the
// disc ID, else by its table of contents; cached per disc; at most one request a second.
#pragma once
#include "result.h"
#include "tags.h"

#include <optional>
#include <string>
#include <vector>

namespace wl {

struct ReleaseTrack {
    int number = 0;
    std::string title, artist, recordingId;
};

// One release of the disc (an edition: a country, a year, a label), as far as the disc goes.
struct Release {
    std::string id, title, artist, date, country;
    std::vector<ReleaseTrack> tracks; // the disc's medium of the release
};

struct DiscNames {
    std::string discId;
    std::vector<Release> releases; // none: the disc is not known
    std::string chosen;            // the release chosen, by its ID; empty: the first
    // The chosen release, or nullptr when none is known.
    const Release* release() const;
};

// The base address of the service: WAVELATHE_MUSICBRAINZ_URL, else https://musicbrainz.org.
// (wl_net)
std::string musicBrainzBase();

// The disc's names: from the cache, else asked of the service (toc as CDDA prints it: "first
// last lead-out offset..."). Fails with a reason a person can read; a failure is kept a few
// minutes too, so that the tracks of one rip do not each wait for an absent service. (wl_net)
Result<DiscNames> lookUpDisc(const std::string& discId, const std::string& toc);

// The same without a network library: from the cache, else through the lookup program
// (wavelathe-lookup, beside the program), which asks the service and prints its record.
Result<DiscNames> lookUpDiscApart(const std::string& discId, const std::string& toc);

// The cache's word on the disc (its names, or why the last lookup failed), or nothing when it
// has none that is still good.
std::optional<Result<DiscNames>> cachedDiscNames(const std::string& discId);
// The record the cache keeps of a lookup (JSON), and keeping it.
std::string discNamesRecord(const DiscNames& names, const std::string& failure);
void keepDiscNames(const DiscNames& names, const std::string& failure);
// Remembers the release chosen for a disc already looked up.
Status chooseRelease(const std::string& discId, const std::string& releaseId);

// A track's names from the chosen release: title, artist, album, album artist, "n/N", year and
// the MusicBrainz IDs; empty when the release does not have the track.
Tags trackNamesOf(const DiscNames& names, int track);

// The releases of a web service answer (a disc ID's, or a TOC search's), each with the medium
// that holds the disc (by its ID, else by its number of tracks). Fails on anything that is not
// such an answer.
Result<std::vector<Release>> parseReleases(const std::string& json, const std::string& discId,
                                           int trackCount);

} // namespace wl
