// SPDX-License-Identifier: GPL-3.0-or-later
// A design window's frame: a top-level window with a client area of the design's size and a
// menu bar built from a table.
#pragma once
#include <QHash>
#include <QList>
#include <QSize>
#include <QString>

class QAction;
class QMainWindow;
class QMenuBar;

namespace wl {

struct MenuItemSpec {
    QString menuName, menuCaption, itemName, itemCaption;
};

// A menu bar with exactly these menus and items (no separators, access keys or shortcuts);
// the items' object names are their design names.
QHash<QString, QAction*> buildMenus(QMenuBar* bar, const QList<MenuItemSpec>& items);

// A top-level window whose client area (below its menu bar, if any) has the given size.
QMainWindow* newMainWindow(const QString& title, QSize client, bool withMenuBar);

} // namespace wl
