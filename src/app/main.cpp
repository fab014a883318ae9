// SPDX-License-Identifier: GPL-3.0-or-later
#include "app.h"
#include "benchhook.h"
#include "drives.h"
#include "fonts.h"
#include "systemhost.h"

#include <QApplication>
#include <QTimer>

// The program ignores its arguments, Qt's own options too: the toolkit sees only the program's
// name. Qt's environment variables (QT_QPA_PLATFORM, ...) still work.
int main(int, char** argv) {
    int qtArgc = 1;
    QApplication qapp(qtArgc, argv);
    // The desktop entry names the program: its icon, its Wayland app id, its jobs in docks.
    QApplication::setApplicationName("Wavelathe");
    QApplication::setDesktopFileName("wavelathe");
    // The window registry decides when the program ends, not the last closed window.
    QApplication::setQuitOnLastWindowClosed(false);
    // Menus and message boxes in the windows' own font: one face to load, not two.
    QApplication::setFont(wl::dialogFont());
    wl::SystemHost host;
    wl::SystemDriveSource drives;
    wl::App app(host, drives);
    app.start();
    // For the start-up benchmarks: say when the first window is on screen, and end.
    if (qEnvironmentVariableIsSet("WAVELATHE_QUIT_WHEN_SHOWN"))
        QTimer::singleShot(0, &qapp, [] { wl::reportShown(); });
    return QApplication::exec();
}
