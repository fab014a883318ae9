#pragma once
#include <string>

namespace wl {
// Where the interpreter finds a program: beside itself first (the tools installed with the
// program), then in the current folder, then on PATH. Only regular files with an execute bit
// count. A name holding "/" is taken as a path. Empty when nothing fits.
std::string findProgram(const std::string& name);
} // namespace wl
