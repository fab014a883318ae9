// SPDX-License-Identifier: GPL-3.0-or-later
// wavelathe-job SCRIPT: runs a job script in a window of its own, minimized and without taking
// the focus, and tells the desktop how it ended. The program starts it with the script also on
// standard input, as it was when the job was started.
#include "benchhook.h"
#include "jobwindow.h"
#include "lookup.h"
#include "notifier.h"
#include "programs.h"
#include "texts.h"

#include <QApplication>
#include <QTimer>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv) {
    // The job starts first: it need not wait for the window.
    const std::string script = argc > 1 ? argv[1] : wl::texts::kSettingsScript.toStdString();
    struct stat st {};
    const bool onStdin = fstat(STDIN_FILENO, &st) == 0 && S_ISREG(st.st_mode);
    wl::JobProcess job =
        wl::startJob(wl::ownFolder() + "/" + wl::program::kInterpreter, {onStdin ? "-" : script});

    // Qt's own command-line options are not ours to take.
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName("Wavelathe");
    QApplication::setDesktopFileName("wavelathe");

    wl::Notifier notifier;
    wl::JobWindow window(notifier);
    window.setAttribute(Qt::WA_ShowWithoutActivating);
    window.setWindowState(Qt::WindowMinimized);
    window.show();
    window.attach(std::move(job));
    // For the start-up benchmark: end once the window is on screen.
    if (qEnvironmentVariableIsSet("WAVELATHE_QUIT_WHEN_SHOWN"))
        QTimer::singleShot(0, &app, [] { wl::reportShown(); });
    return QApplication::exec();
}
