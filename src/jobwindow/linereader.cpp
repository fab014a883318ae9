// SPDX-License-Identifier: GPL-3.0-or-later
#include "linereader.h"

#include <unistd.h>

namespace wl {

QList<QByteArray> LineReader::read(int fd) {
    char buf[4096];
    ssize_t n;
    while (fd >= 0 && (n = ::read(fd, buf, sizeof buf)) > 0)
        pending_.append(buf, n);
    if (fd >= 0 && n == 0)
        atEnd_ = true;
    QList<QByteArray> lines;
    qsizetype eol;
    while ((eol = pending_.indexOf('\n')) >= 0) {
        lines.append(pending_.left(eol));
        pending_.remove(0, eol + 1);
    }
    return lines;
}

} // namespace wl
