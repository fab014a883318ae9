// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary bytes as a disc image, looked at the way the ripper's drive list
// and CDDA look at one before libcdio may read it in-process. Built twice: as an NRG image
// (all the bytes), and as a TOC file (up to the first NUL) with its BIN (the rest).
#include "discprobe.h"

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
        char templ[] = "/tmp/fuzz-disc-XXXXXX";
        return std::string(mkdtemp(templ));
    }();
    if (size > (1 << 20))
        return 0;
#ifdef WL_FUZZ_TOC
    const auto* nul = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    const size_t sheet = nul ? static_cast<size_t>(nul - data) : size;
    const size_t rest = std::min(size, sheet + 1);
    put(folder + "/disc.toc", data, sheet);
    put(folder + "/disc.bin", data + rest, size - rest);
    const std::string image = folder + "/disc.toc";
#else
    put(folder + "/disc.nrg", data, size);
    const std::string image = folder + "/disc.nrg";
#endif
    // A crash or hang of libcdio stays in the child; this process must see an answer.
    (void)wl::probeDisc(image, 2000);
    return 0;
}
