// SPDX-License-Identifier: GPL-3.0-or-later
// The names of a piece of music (title, artist, album, track number) in UTF-8, and the one
// UTF-8 decoder the tools read such text with.
#pragma once
#include <string>
#include <string_view>

namespace wl {

struct Tags {
    std::string title, artist, album, track;
    bool empty() const { return title.empty() && artist.empty() && album.empty() && track.empty(); }
    bool operator==(const Tags&) const = default;
};

// UTF-8 text as code points. What is not well-formed UTF-8 (a stray byte, a cut sequence, an
// overlong form, a surrogate, beyond U+10FFFF) gives U+FFFD, one per byte, and clears
// *wellFormed.
std::u32string codePoints(std::string_view utf8, bool* wellFormed = nullptr);

} // namespace wl
