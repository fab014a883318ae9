// SPDX-License-Identifier: GPL-3.0-or-later
// Whole lines from a non-blocking descriptor, as they arrive.
#pragma once

#include <QByteArray>
#include <QList>

namespace wl {

class LineReader {
  public:
    // Reads what has arrived on fd; the lines it completed, without their line feeds.
    QList<QByteArray> read(int fd);
    // Every writer has closed the pipe.
    bool atEnd() const { return atEnd_; }

  private:
    QByteArray pending_;
    bool atEnd_ = false;
};

} // namespace wl
