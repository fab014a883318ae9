// Starting commands on this platform.
#pragma once
#include <QString>
#include <QStringList>

namespace wl {

// Starts argv detached, in a session of its own, so that it outlives the program; with
// quietStdin its standard input is /dev/null. The reason it could not start, or empty.
QString spawnDetached(const QStringList& argv, bool quietStdin);

// How a job (interpreter and script) is started: with style 6 and a display, inside a terminal
// window ($TERMINAL, else x-terminal-emulator, else xterm, which is started iconified); else
// the job itself, windowless.
QStringList jobLaunch(const QStringList& job, int style, bool display);

// Starts a command line as RunCommand describes it: a bare job-script name runs through
// wavelathe-cmd (style 6: in an iconified terminal window where there is a display and a
// terminal, else windowless on the program's own output); "notepad.exe FILE" and
// "start.exe URL" fall back to the desktop's opener when no such program exists. The reason it
// could not start, or empty.
QString startCommandLine(const QString& commandLine, int style);

// The desktop's opener for a document or link.
QString openWithDesktop(const QString& target);

} // namespace wl
