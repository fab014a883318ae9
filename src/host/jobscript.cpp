// SPDX-License-Identifier: GPL-3.0-or-later
#include "host.h"

#include <QSaveFile>

namespace wl {

QString Host::WriteJobScript(const QString& name, const QByteArray& line) {
    return writeJobScript(name, line);
}

QString writeJobScript(const QString& name, const QByteArray& line) {
    // Written beside and renamed: a job starting meanwhile never reads half a script.
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    file.write(line);
    file.write("\r\n", 2);
    if (!file.commit())
        return file.errorString();
    return QString();
}

} // namespace wl
