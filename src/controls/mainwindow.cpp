// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow.h"

#include "fonts.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QShortcut>
#include <QTimer>

namespace wl {

QHash<QString, QAction*> buildMenus(QMenuBar* bar, const QList<MenuItemSpec>& items) {
    QHash<QString, QMenu*> menus;
    QHash<QString, QAction*> actions;
    for (const MenuItemSpec& i : items) {
        QMenu* menu = menus.value(i.menuName);
        if (!menu) {
            menu = bar->addMenu(i.menuCaption);
            menu->setObjectName(i.menuName);
            menus.insert(i.menuName, menu);
        }
        QAction* action = menu->addAction(i.itemCaption);
        action->setObjectName(i.itemName);
        actions.insert(i.itemName, action);
    }
    return actions;
}

QMainWindow* newMainWindow(const QString& title, QSize client, bool withMenuBar) {
    auto* window = new QMainWindow;
    // F10 enters the menu bar as Alt does: the menu bar is handed the key events of an Alt
    // press and release, after the shortcut's own event (it forgets a pending Alt on any).
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), window);
    QObject::connect(f10, &QShortcut::activated, window, [window] {
        QTimer::singleShot(0, window, [window] {
            for (auto [type, modifiers] : {std::pair{QEvent::ShortcutOverride, Qt::AltModifier},
                                           std::pair{QEvent::KeyPress, Qt::AltModifier},
                                           std::pair{QEvent::KeyRelease, Qt::NoModifier}}) {
                QKeyEvent alt(type, Qt::Key_Alt, modifiers);
                QCoreApplication::sendEvent(window, &alt);
            }
        });
    });
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->setWindowTitle(title);
    window->setFont(dialogFont());
    auto* area = new QWidget(window);
    area->setObjectName("client");
    area->setMinimumSize(client);
    window->setCentralWidget(area);
    const int menuHeight = withMenuBar ? window->menuBar()->sizeHint().height() : 0;
    window->resize(client.width(), client.height() + menuHeight);
    return window;
}

} // namespace wl
