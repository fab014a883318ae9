// SPDX-License-Identifier: GPL-3.0-or-later
// wavelathe-lookup DISCID TOC: looks a disc up in the MusicBrainz web service (or the cache)
// for the program, which links no network library, and prints what the cache keeps of the
// lookup (JSON): the disc's releases, or why there are none.
#include "musicbrainz.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: wavelathe-lookup DISCID TOC\n", stderr);
        return 2;
    }
    const std::string discId = argv[1];
    const auto found = wl::lookUpDisc(discId, argv[2]);
    wl::DiscNames names;
    names.discId = discId;
    const std::string record =
        found ? wl::discNamesRecord(*found, {}) : wl::discNamesRecord(names, found.error());
    std::fputs(record.c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
