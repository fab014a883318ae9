// SPDX-License-Identifier: GPL-3.0-or-later
// The job progress protocol: how the interpreter and the tools tell the job window what they do.
//
// The job window opens a pipe and names its writing end in the environment variable
// WAVELATHE_PROGRESS_FD (a descriptor number). Every program of the job inherits it and writes
// whole lines to it, each line one update, each written with one write() so that lines of two
// writers never interleave:
//
//   line TEXT        the interpreter is about to run this job line
//   exit N           the interpreter's line ended with exit status N
//   files N          a batch of N input files begins
//   start NAME       a tool begins on the input NAME; in a batch, the file it waits for next
//   progress P       P thousandths of the current work are done (0 to 1000)
//   audio S          S seconds of audio are done in the current work (for the speed)
//   output NAME      the output NAME is complete and in place
//   trashed NAME     an older file named NAME went to the user's Trash before it was replaced
//   deleted NAME     the encoded input NAME was deleted (-Delete)
//   kept TEXT        -Delete kept an encoded input that holds more than was read
//                    ("kept song.wav: 1.7 MB after its audio were not read")
//   warning TEXT     something the user should know of an output that is complete
//   failed TEXT      one input failed; TEXT is the tool's message ("song.wav: not a WAV file")
//   summary TEXT     a batch's closing count ("8 encoded, 1 failed")
//   check TEXT       a proof of the output (a rip's CRC and AccurateRip checksums)
//   title TEXT       the name of the track being ripped, from the disc's CD-Text
//   disc ID TOC      the MusicBrainz disc ID of the disc ripped, and its table of contents
//                    ("1 12 198592 150 15000 ...": first and last track, lead-out, offsets)
//   lines N          the script holds N job lines (sent by the interpreter when N > 1)
//   verdict N TEXT   what the AccurateRip database says of track N ("accurately ripped
//                    (confidence 7, v2)", "not accurate (...)", "not checked: ...")
//
// A line is the keyword, one blank and the text up to the line feed; names are written as they
// are, so a text holding a line feed would be cut there and is sent with it replaced by a blank.
// Unknown keywords are ignored, so the protocol can grow. Without the variable nothing is sent
// and the tools only write their human messages to standard error.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace wl {

inline constexpr const char* kProgressFdVariable = "WAVELATHE_PROGRESS_FD";

// The keywords above, written once for the tools and the job window.
namespace update {
inline constexpr std::string_view kLine = "line";
inline constexpr std::string_view kExit = "exit";
inline constexpr std::string_view kFiles = "files";
inline constexpr std::string_view kStart = "start";
inline constexpr std::string_view kProgress = "progress";
inline constexpr std::string_view kAudio = "audio";
inline constexpr std::string_view kOutput = "output";
inline constexpr std::string_view kTrashed = "trashed";
inline constexpr std::string_view kDeleted = "deleted";
inline constexpr std::string_view kKept = "kept";
inline constexpr std::string_view kWarning = "warning";
inline constexpr std::string_view kFailed = "failed";
inline constexpr std::string_view kSummary = "summary";
inline constexpr std::string_view kCheck = "check";
inline constexpr std::string_view kTitle = "title";
inline constexpr std::string_view kDisc = "disc";
inline constexpr std::string_view kLines = "lines";
inline constexpr std::string_view kVerdict = "verdict";
} // namespace update

// Sends one update when the job has a progress channel; does nothing otherwise.
void sendUpdate(std::string_view keyword, std::string_view text);

struct Update {
    std::string keyword, text;
};

// One received line (without its line feed) split into keyword and text; nothing for an empty
// line.
std::optional<Update> parseUpdate(std::string_view line);

} // namespace wl
