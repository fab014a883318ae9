// Job lines: built from fixed pieces and names taken from boxes or folders, checked by parsing
// them back with the job interpreter's own tokeniser before any script is written.
#pragma once
#include "host.h"

#include <QList>
#include <QString>
#include <optional>

namespace wl {

class JobLine {
  public:
    // A fixed piece, written exactly as it stands.
    JobLine& text(const QString& literal);
    // A piece from a box or folder: written as it stands unless it holds a blank, a tab or a
    // ", then quoted so that it reaches the program as one argument.
    JobLine& name(const QString& value);

    // The line in the locale's 8-bit encoding, without line end.
    QByteArray bytes() const;
    // The name that the line cannot carry intact, if any: parsing the line back must give
    // exactly the intended arguments.
    std::optional<QString> unpassableName() const;

  private:
    struct Piece {
        QString text;
        bool isName;
    };
    QList<Piece> pieces_;
};

// Every job goes through here: refuse a line that cannot carry its names, write the script,
// then run it minimized without focus.
void runJob(Host& host, const QString& script, const JobLine& line);

} // namespace wl
