// SPDX-License-Identifier: GPL-3.0-or-later
// Desktop notifications: one small class; with DesktopJob the only code of the job window that
// knows the session bus.
#pragma once
#include <QObject>
#include <QString>

namespace wl {

class Notifier : public QObject {
    Q_OBJECT
  public:
    Notifier();
    // Shows a notification through the freedesktop Notifications service. Without a session
    // bus or a notification service nothing happens, and that is no error.
    void notify(const QString& summary, const QString& body, bool critical);

  signals:
    // The user chose the notification's default action.
    void activated();

  private slots:
    void onActionInvoked(uint id, const QString& action);

  private:
    uint id_ = 0;
};

} // namespace wl
