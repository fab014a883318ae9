// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick for start-up: a bare Qt main window of the same size, nothing else.
#include "benchhook.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(426, 347);
    // The second yardstick: the same window with one line of text, so with the font system
    // loaded, as any window with a caption has it.
    if (qEnvironmentVariableIsSet("WAVELATHE_BARE_LABEL"))
        window.setCentralWidget(new QLabel("Wavelathe"));
    window.show();
    if (qEnvironmentVariableIsSet("WAVELATHE_QUIT_WHEN_SHOWN"))
        QTimer::singleShot(0, &app, [] { wl::reportShown(); });
    return QApplication::exec();
}
