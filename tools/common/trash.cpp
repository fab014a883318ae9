// SPDX-License-Identifier: GPL-3.0-or-later
// The user's Trash through QtCore, which follows the freedesktop.org Trash layout
// (the home trash under XDG_DATA_HOME, or a trash folder at the top of another volume).
#include "toolkit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>

namespace wl {

std::string moveToTrash(const std::string& path) {
    // Qt 6.4 puts the trash's folders beside the file when the data folder does not exist yet
    // (a fresh account): it must exist first, private, as freedesktop.org asks.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!data.isEmpty() && !QFileInfo::exists(data) && QDir().mkpath(data))
        QFile::setPermissions(data, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile file(QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size())));
    if (file.moveToTrash())
        return {};
    const std::string why = file.errorString().toLocal8Bit().toStdString();
    return why.empty() ? "the Trash cannot take it" : why;
}

} // namespace wl
