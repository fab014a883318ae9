// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary bytes as an MP3 file through l3dec's own file path (a memfd opened
// by name, as the tool opens its input), decoded to a WAV in a private folder.
#include "decode.h"

#include <cstdio>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = [] {
        char templ[] = "/tmp/fuzz-l3dec-XXXXXX";
        return std::string(mkdtemp(templ));
    }();
    const int fd = memfd_create("input.mp3", MFD_CLOEXEC);
    if (fd < 0)
        return 0;
    if (write(fd, data, size) == static_cast<ssize_t>(size)) {
        const std::string input = "/proc/self/fd/" + std::to_string(fd);
        const std::string output = folder + "/out.wav";
        (void)wl::l3dec::decodeFile(input, output, nullptr);
        std::remove(output.c_str());
    }
    close(fd);
    return 0;
}
