// SPDX-License-Identifier: GPL-3.0-or-later
// wavelathe-probe SOURCE FOLDER SECONDS: reads a disc image's table of contents for the
// program and CDDA, so that a hostile image can only crash or hang this short-lived program.
#include "discprobe.h"

#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 4)
        return 2;
    return wl::answerProbe(argv[1], argv[2], std::atoi(argv[3]));
}
