// SPDX-License-Identifier: GPL-3.0-or-later
// The windows' fonts: the design's faces, or the nearest the system has.
#pragma once
#include <QFont>
#include <QString>

namespace wl {

// The windows' dialog font ("MS Sans Serif" at 8.25 points), or the nearest the system has.
QFont dialogFont();
QFont designFont(const QString& family, double points, bool bold = false, bool italic = false,
                 bool underline = false);

} // namespace wl
