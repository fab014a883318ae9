// SPDX-License-Identifier: GPL-3.0-or-later
// The one seam through which windows reach the system. Tests pass a recording fake.
#pragma once
#include <QByteArray>
#include <QString>

namespace wl {

class Host {
  public:
    virtual ~Host() = default;

    // Starts a command line (a job script's bare name, or "program argument") and returns at
    // once. A command that cannot be started is reported in a message box, never silently.
    virtual void RunCommand(const QString& commandLine, int style) = 0;

    // A modal message box; flags 0 (OK) or 16 (OK, critical icon); no title: "Wavelathe".
    virtual void ShowMessage(const QString& prompt, int flags,
                             const QString& title = QString()) = 0;

    // The stored text, or def when nothing readable is stored.
    virtual QString ReadSetting(const QString& appKey, const QString& section, const QString& key,
                                const QString& def) = 0;
    virtual void SaveSetting(const QString& appKey, const QString& section, const QString& key,
                             const QString& value) = 0;

    // Asks the desktop to open a document or link with its registered program; the result is
    // not looked at.
    virtual void OpenLink(const QString& target) = 0;

    // Writes a one-line job script in the current folder (create or truncate, CR LF, replaced
    // atomically). The text of what went wrong, or empty.
    virtual QString WriteJobScript(const QString& name, const QByteArray& line);
};

// The real writer behind Host::WriteJobScript.
QString writeJobScript(const QString& name, const QByteArray& line);

} // namespace wl
