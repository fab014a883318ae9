// SPDX-License-Identifier: GPL-3.0-or-later
// The names of a piece of music (title, artist, album, track number) in UTF-8, and the one
// UTF-8 decoder and encoder the tools read and write such text with.
#pragma once
#include <string>
#include <string_view>
#include <utility>

namespace wl {

struct Tags {
    std::string title, artist, album, track; // track: "5", or "5/12" with the disc's count
    std::string albumArtist, year;
    // The MusicBrainz release, recording and disc the names came from, when they did.
    std::string releaseId, recordingId, discId;
    bool empty() const { return title.empty() && artist.empty() && album.empty() && track.empty(); }
    bool operator==(const Tags&) const = default;
};

// Where MP3s keep the MusicBrainz IDs: ID3v2 user text frames of these descriptions.
inline constexpr std::pair<const char*, std::string Tags::*> kMusicBrainzFrames[] = {
    {"MusicBrainz Album Id", &Tags::releaseId},
    {"MusicBrainz Recording Id", &Tags::recordingId},
    {"MusicBrainz Disc Id", &Tags::discId}};

// UTF-8 text as code points. What is not well-formed UTF-8 (a stray byte, a cut sequence, an
// overlong form, a surrogate, beyond U+10FFFF) gives U+FFFD, one per byte, and clears
// *wellFormed.
std::u32string codePoints(std::string_view utf8, bool* wellFormed = nullptr);

// Appends a code point to UTF-8 text.
void appendUtf8(std::string& out, char32_t cp);

// A name as older programs wrote it: UTF-8 when it is well-formed UTF-8, else Windows-1252 (the
// 8-bit text of Windows programs, Latin-1 with printable characters in 0x80-0x9F), as UTF-8.
std::string legacyText(std::string_view bytes);

} // namespace wl
