// SPDX-License-Identifier: GPL-3.0-or-later
// The job-line grammar shared by the job interpreter and the program that writes job lines.
//
// A line is split into words at runs of blanks. A double-quoted stretch belongs to one word and
// "" inside it stands for one ". The program name (the first word) also ends at an unquoted "/",
// which then starts the first argument, so "CDDA/T 5" is CDDA with "/T" and "5". No other
// character is special: no variables, pipes, redirections or wildcards.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wl {

// The words of one line, program name first; empty for a blank line. Nothing when the line
// cannot be run as one command (it holds a NUL or a line break).
std::optional<std::vector<std::string>> tokenizeLine(std::string_view line);

// The lines of a script: split at LF, a trailing CR dropped from each.
std::vector<std::string_view> scriptLines(std::string_view script);

// A word as it must be written so that tokenizeLine gives it back whole: unchanged unless it
// holds a blank, a tab or a ", then in double quotes with each " doubled.
std::string quoteWord(std::string_view word);

} // namespace wl
