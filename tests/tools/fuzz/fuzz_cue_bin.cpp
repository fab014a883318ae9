// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary bytes as a CUE sheet (up to the first NUL) and its BIN (the rest),
// ripped by CDDA's own code from a private folder.
#include "fuzzfiles.h"
#include "rip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1 << 20))
        return 0;
    const std::string& folder = fuzz::folder();
    fuzz::putSheetAndData(folder + "/disc.cue", folder + "/disc.bin", data, size);
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
