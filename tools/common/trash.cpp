// SPDX-License-Identifier: GPL-3.0-or-later
// The user's Trash through QtCore, which follows the freedesktop.org Trash specification
// (the home trash under XDG_DATA_HOME, or a trash folder at the top of another volume).
#include "toolkit.h"

#include <QFile>
#include <QString>

namespace wl {

std::string moveToTrash(const std::string& path) {
    QFile file(QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size())));
    if (file.moveToTrash())
        return {};
    const std::string why = file.errorString().toLocal8Bit().toStdString();
    return why.empty() ? "the Trash cannot take it" : why;
}

} // namespace wl
