// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick for start-up: a bare Qt main window of the same size, nothing else.
#include <QApplication>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(426, 347);
    window.show();
    if (qEnvironmentVariableIsSet("WAVELATHE_QUIT_WHEN_SHOWN"))
        QTimer::singleShot(0, &app, &QApplication::quit);
    return QApplication::exec();
}
