// SPDX-License-Identifier: GPL-3.0-or-later
// Build tool: writes the program's icon as a PNG of the given size, for the desktop and the
// package (wavelathe-icon SIZE FILE).
#include "icons.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: wavelathe-icon SIZE FILE\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    return wl::programIconImage(std::atoi(argv[1])).save(argv[2], "PNG") ? 0 : 1;
}
