// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary bytes as a CUE sheet (up to the first NUL) and its BIN (the rest),
// ripped by CDDA's own code from a private folder.
#include "rip.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

void put(const std::string& path, const uint8_t* data, size_t size) {
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = [] {
        char templ[] = "/tmp/fuzz-cdda-XXXXXX";
        return std::string(mkdtemp(templ));
    }();
    if (size > (1 << 20))
        return 0;
    const auto* nul = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    const size_t sheet = nul ? static_cast<size_t>(nul - data) : size;
    put(folder + "/disc.cue", data, sheet);
    put(folder + "/disc.bin", data + std::min(size, sheet + 1), size - std::min(size, sheet + 1));
    wl::cdda::Options o;
    o.track = 1;
    o.trackText = "1";
    o.overwrite = true;
    o.device = folder + "/disc.cue";
    o.name = folder + "/out.wav";
    (void)wl::cdda::rip(o);
    std::remove((folder + "/out.wav").c_str());
    return 0;
}
