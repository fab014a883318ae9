// SPDX-License-Identifier: GPL-3.0-or-later
// Starting commands on this platform.
#pragma once
#include <QString>
#include <QStringList>

namespace wl {

// Starts argv detached, in a session of its own, so that it outlives the program. Its standard
// input is stdinFd, or /dev/null when that is -1. The reason it could not start, or empty.
QString spawnDetached(const QStringList& argv, int stdinFd = -1);

// How a job script is started: with style 6, a display and the job window beside the program,
// in the job window; else by the interpreter alone, windowless, its output going to the
// program's own. Either reads the script from its standard input ("-"), which is the script as
// it was when the job started.
QStringList jobLaunch(const QString& script, int style, bool display, const QString& jobWindow,
                      const QString& interpreter);

// Starts a command line as RunCommand describes it: a bare job-script name runs as jobLaunch
// says; "notepad.exe FILE" and "start.exe URL" fall back to the desktop's opener when no such
// program exists. The reason it could not start, or empty.
QString startCommandLine(const QString& commandLine, int style);

// The desktop's opener for a document or link, found on PATH only.
QString openWithDesktop(const QString& target);

} // namespace wl
