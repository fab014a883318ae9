// SPDX-License-Identifier: GPL-3.0-or-later
#include "discid.h"

#include <algorithm>
#include <cstdlib>
#include <discid/discid.h>
#include <vector>

namespace wl {

DiscIdentity musicBrainzDiscId(int first, int last, const int* offsets) {
    DiscIdentity result;
    if (first < 1 || last < first || last > 99)
        return result;
    ::DiscId* disc = discid_new();
    std::vector<int> copy(offsets, offsets + 100);
    if (discid_put(disc, first, last, copy.data())) {
        result.id = discid_get_id(disc);
        result.toc = discid_get_toc_string(disc);
    }
    discid_free(disc);
    return result;
}

std::string musicBrainzDiscPage(const DiscIdentity& disc) {
    // toc: "first last lead-out offsets..."; the page takes it joined with "+".
    std::string toc = disc.toc;
    std::replace(toc.begin(), toc.end(), ' ', '+');
    const int first = std::atoi(disc.toc.c_str());
    const size_t blank = disc.toc.find(' ');
    const int last = blank == std::string::npos ? first - 1 : std::atoi(disc.toc.c_str() + blank);
    return "https://musicbrainz.org/cdtoc/attach?toc=" + toc +
           "&tracks=" + std::to_string(last - first + 1) + "&id=" + disc.id;
}

int32_t audioLeadout(const DiscToc& toc) {
    size_t afterAudio = toc.tracks.size();
    for (size_t i = 0; i < toc.tracks.size(); ++i)
        if (toc.tracks[i].audio)
            afterAudio = i + 1;
    return afterAudio < toc.tracks.size() ? toc.tracks[afterAudio].start - kEnhancedCdGap
                                          : toc.leadout;
}

DiscIdentity musicBrainzDiscId(const DiscToc& toc) {
    int offsets[100] = {};
    int first = 0, last = 0;
    for (const ProbedTrack& t : toc.tracks) {
        if (!t.audio || t.number < 1 || t.number > 99)
            continue;
        first = first ? first : t.number;
        last = t.number;
        offsets[t.number] = t.start + kLeadIn;
    }
    offsets[0] = audioLeadout(toc) + kLeadIn;
    return musicBrainzDiscId(first, last, offsets);
}

} // namespace wl
