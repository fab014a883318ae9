// SPDX-License-Identifier: GPL-3.0-or-later
// Job lines: built from fixed pieces and names taken from boxes or folders, checked before any
// script is written by parsing them back with the job interpreter's own tokeniser and then with
// the called tool's own argument parser.
#pragma once
#include "host.h"

#include <QList>
#include <QString>
#include <optional>
#include <string>
#include <vector>

namespace wl {

class JobLine {
  public:
    // A fixed piece, written exactly as it stands.
    JobLine& text(const QString& literal);
    // A piece from a box or folder: written as it stands unless it holds a blank, a tab or a
    // ", then quoted so that it reaches the program as one argument; a relative name that
    // starts with "-" gets "./" in front (the same file), so that no tool reads it as a switch.
    JobLine& name(const QString& value);

    // The line in the locale's 8-bit encoding, without line end.
    QByteArray bytes() const;
    // Why the line cannot be run as meant, or empty when it can: the interpreter must give
    // back exactly the intended words, and the tool must read every name as that name and
    // every fixed switch as that switch.
    QString refusal() const;

  private:
    struct Piece {
        QString text;
        bool isName;
    };
    std::string written(const Piece& p) const;
    std::vector<std::string> templateWords(bool dropEmptyNames) const;
    std::optional<QString> blamedName() const;
    QList<Piece> pieces_;
};

// Every job goes through here: refuse a line that cannot carry its names, write the script,
// then run it minimized without focus.
void runJob(Host& host, const QString& script, const JobLine& line);
// The same for a script of several lines, run one after the other.
void runJob(Host& host, const QString& script, const QList<JobLine>& lines);

} // namespace wl
