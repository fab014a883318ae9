// SPDX-License-Identifier: GPL-3.0-or-later
// A CUE sheet's text as people and programs write it: with or without a UTF-8 byte-order mark,
// with LF, CR LF or CR line ends, in UTF-8 or Windows-1252, quotes and tabs inside quoted
// names. libcdio is given a normalised copy; the names are read here.
#pragma once
#include "tags.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace wl {

// The sheet's lines, without a byte-order mark and without their line ends.
std::vector<std::string_view> sheetLines(std::string_view sheet);

// The sheet as libcdio reads it best: no byte-order mark, LF line ends, and without the lines
// that only name things (TITLE, PERFORMER, SONGWRITER), which are read by sheetNames().
std::string normalisedSheet(std::string_view sheet);

// The names a sheet gives: the disc's (track 0) and each track's, in UTF-8. A quoted name runs
// from its first quote to the last one of its line, quotes inside kept; a tab in it is a blank.
struct SheetEntry {
    std::string title, performer, songwriter;
};
using SheetNames = std::map<int, SheetEntry>;
SheetNames sheetNames(std::string_view sheet);

// A track's names from a sheet's: its title, the first artist given (the track's performer,
// the disc's, the disc's songwriter, the track's), the disc's title as the album; nothing when
// the sheet names nothing of it.
Tags trackTags(const SheetNames& names, int track);

} // namespace wl
