// SPDX-License-Identifier: GPL-3.0-or-later
// Where a job's programs are found: beside the interpreter, in the current folder, on PATH.
#pragma once
#include <string>

namespace wl {
// Where the interpreter finds a program: beside itself first (the tools installed with the
// program), then in the current folder (only the programs a job script may call:
// BladeEnc, l3dec, CDDA, notepad.exe, start.exe), then on PATH. Only regular files with an
// execute bit count. A name holding "/" is taken as a path. Empty when nothing fits.
std::string findProgram(const std::string& name);

// The folder the running program lies in (its tools lie beside it).
std::string ownFolder();

// A helper of the system (the desktop opener): on PATH only, never in the current folder.
std::string findOnPath(const std::string& name);
} // namespace wl
