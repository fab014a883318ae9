// SPDX-License-Identifier: GPL-3.0-or-later
// wavelathe-job SCRIPT: runs a job script in a window of its own, minimized and without taking
// the focus, and tells the desktop how it ended. The program starts it with the script also on
// standard input, as it was when the job was started.
#include "jobwindow.h"
#include "notifier.h"

#include <QApplication>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv) {
    // Qt's own command-line options are not ours to take.
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName("Wavelathe");
    QApplication::setDesktopFileName("wavelathe");
    const QString script = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("settings.bat");
    struct stat st {};
    const bool onStdin = fstat(STDIN_FILENO, &st) == 0 && S_ISREG(st.st_mode);

    wl::Notifier notifier;
    wl::JobWindow window(notifier);
    window.setAttribute(Qt::WA_ShowWithoutActivating);
    window.setWindowState(Qt::WindowMinimized);
    window.show();
    window.start(QCoreApplication::applicationDirPath() + "/wavelathe-cmd",
                 {onStdin ? QStringLiteral("-") : script});
    return QApplication::exec();
}
