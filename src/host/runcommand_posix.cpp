// SPDX-License-Identifier: GPL-3.0-or-later
#include "programs.h"
#include "runcommand.h"

#include "launch.h"
#include "lookup.h"
#include "texts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QUrl>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace wl {
namespace {

QString find(const QString& program) {
    return QString::fromStdString(findProgram(program.toStdString()));
}

bool hasDisplay() {
    const QString platform = QGuiApplication::platformName();
    if (platform == "offscreen" || platform == "minimal")
        return false;
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

QString startScript(const QString& script, int style) {
    const QString dir = QCoreApplication::applicationDirPath();
    const QString interpreter = dir + "/" + program::kInterpreter;
    if (!QFileInfo(interpreter).isExecutable())
        return "the job interpreter " + interpreter + " is missing";
    // Opened now: a job started at once after this one rewrites the script under a new inode,
    // and this job still reads its own.
    const UniqueFd fd(::open(QFile::encodeName(script).constData(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        return "the script " + QDir::current().absoluteFilePath(script) +
               " cannot be read: " + QString::fromLocal8Bit(std::strerror(errno));
    const QString jobWindow = dir + "/wavelathe-job";
    const QStringList argv =
        jobLaunch(script, style, hasDisplay(),
                  QFileInfo(jobWindow).isExecutable() ? jobWindow : QString(), interpreter);
    QString why = spawnDetached(argv, fd.get());
    // The job window could not start: the job runs windowless, as without a display.
    if (!why.isEmpty() && argv.first() == jobWindow)
        why = spawnDetached(jobLaunch(script, style, false, QString(), interpreter), fd.get());
    return why;
}

// A document named without a folder: the current folder first, else the copy installed
// beside the program.
QString resolveDocument(const QString& name) {
    if (QFileInfo::exists(name))
        return QFileInfo(name).absoluteFilePath();
    const QString installed = QCoreApplication::applicationDirPath() + "/" + name;
    return QFileInfo::exists(installed) ? installed : QString();
}

} // namespace

QStringList jobLaunch(const QString& script, int style, bool display, const QString& jobWindow,
                      const QString& interpreter) {
    if (style == texts::kStyleMinimizedNoFocus && display && !jobWindow.isEmpty())
        return {jobWindow, script};
    return {interpreter, "-"};
}

QString spawnDetached(const QStringList& argv, int stdinFd) {
    Launch launch;
    for (const QString& a : argv)
        launch.argv.push_back(a.toLocal8Bit().toStdString());
    // A detached program reads the script it was given, or nothing.
    UniqueFd null;
    if (stdinFd < 0)
        null = UniqueFd(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    launch.in = stdinFd >= 0 ? stdinFd : null.get();
    launch.detached = true;
    const auto started = spawn(launch);
    return started ? QString() : QString::fromLocal8Bit(started.error().c_str());
}

QString openWithDesktop(const QString& target) {
    const QString opener = QString::fromStdString(findOnPath("xdg-open"));
    if (opener.isEmpty())
        return "no desktop opener (xdg-open) is installed";
    return spawnDetached({opener, target});
}

QString startCommandLine(const QString& commandLine, int style) {
    const qsizetype blank = commandLine.indexOf(' ');
    const QString program = blank < 0 ? commandLine : commandLine.left(blank);
    const QString argument = blank < 0 ? QString() : commandLine.mid(blank + 1);
    if (argument.isEmpty() && program.endsWith(".bat", Qt::CaseInsensitive))
        return startScript(program, style);
    const QString path = find(program);
    if (!path.isEmpty()) {
        QStringList argv{path};
        if (!argument.isEmpty())
            argv << argument;
        return spawnDetached(argv);
    }
    if (program.compare(program::kNotepad, Qt::CaseInsensitive) == 0) {
        const QString document = resolveDocument(argument);
        if (document.isEmpty())
            return argument + " was not found in the current folder or beside the program";
        return openWithDesktop(document);
    }
    if (program.compare(program::kStart, Qt::CaseInsensitive) == 0) {
        // "www.example.org" has no scheme; the desktop opener would look for a file of that name.
        const QUrl url(argument);
        return openWithDesktop(url.isValid() && !url.scheme().isEmpty() ? argument
                                                                        : "http://" + argument);
    }
    return "program not found";
}

} // namespace wl
