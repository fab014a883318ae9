// SPDX-License-Identifier: GPL-3.0-or-later
// The names of the programs a job runs, as job scripts call them, as the interpreter and the
// job window look them up, and as the tools name themselves in their messages.
#pragma once

namespace wl::program {

inline constexpr const char* kBladeEnc = "BladeEnc";
inline constexpr const char* kL3dec = "l3dec";
inline constexpr const char* kCdda = "CDDA";
inline constexpr const char* kNotepad = "notepad.exe";
inline constexpr const char* kStart = "start.exe";
// Ours, beside the program: the interpreter, the job window, the disc image probe and the
// disc lookup.
inline constexpr const char* kInterpreter = "wavelathe-cmd";
inline constexpr const char* kJobWindow = "wavelathe-job";
inline constexpr const char* kProbe = "wavelathe-probe";
inline constexpr const char* kLookup = "wavelathe-lookup";

} // namespace wl::program
