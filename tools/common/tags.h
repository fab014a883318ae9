// SPDX-License-Identifier: GPL-3.0-or-later
// The names of a piece of music (title, artist, album, track number), in UTF-8, and the LIST/INFO
// chunk that carries them in a WAV file: INAM, IART, IPRD and ITRK.
#pragma once
#include <string>
#include <string_view>

namespace wl {

struct Tags {
    std::string title, artist, album, track;
    bool empty() const { return title.empty() && artist.empty() && album.empty() && track.empty(); }
    bool operator==(const Tags&) const = default;
};

// The whole LIST chunk ("LIST", its size, "INFO" and one sub-chunk per name given), of even
// length; empty for empty tags.
std::string infoChunk(const Tags& tags);

// The names in a LIST chunk's body (from "INFO" on); nothing for another kind of LIST.
Tags parseInfo(std::string_view body);

} // namespace wl
