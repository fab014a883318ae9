// SPDX-License-Identifier: GPL-3.0-or-later
#include "app.h"
#include "drives.h"
#include "systemhost.h"

#include <QApplication>
#include <QTimer>

// The program ignores its arguments, Qt's own options too: the toolkit sees only the program's
// name. Qt's environment variables (QT_QPA_PLATFORM, ...) still work.
int main(int, char** argv) {
    int qtArgc = 1;
    QApplication qapp(qtArgc, argv);
    // The window registry decides when the program ends, not the last closed window.
    QApplication::setQuitOnLastWindowClosed(false);
    wl::SystemHost host;
    wl::SystemDriveSource drives;
    wl::App app(host, drives);
    app.start();
    // For the start-up benchmark: end once the first window is on screen.
    if (qEnvironmentVariableIsSet("WAVELATHE_QUIT_WHEN_SHOWN"))
        QTimer::singleShot(0, &qapp, &QApplication::quit);
    return QApplication::exec();
}
