// SPDX-License-Identifier: GPL-3.0-or-later
// The window icons, drawn by the program at every size asked for: the main window's (also
// About's and the job window's) and the ripper's.
#pragma once
#include <QIcon>
#include <QImage>

namespace wl {

QIcon programIcon();
QImage programIconImage(int size);
QIcon ripperIcon();

} // namespace wl
