// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary bytes as a disc image, looked at the way the ripper's drive list
// and CDDA look at one before libcdio may read it in-process. Built twice: as an NRG image
// (all the bytes), and as a TOC file (up to the first NUL) with its BIN (the rest).
#include "discprobe.h"
#include "fuzzfiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1 << 20))
        return 0;
    const std::string& folder = fuzz::folder();
#ifdef WL_FUZZ_TOC
    const std::string image = folder + "/disc.toc";
    fuzz::putSheetAndData(image, folder + "/disc.bin", data, size);
#else
    const std::string image = folder + "/disc.nrg";
    fuzz::put(image, data, size);
#endif
    // A crash or hang of libcdio stays in the child; this process must see an answer.
    (void)wl::probeDisc(image, 2000);
    return 0;
}
