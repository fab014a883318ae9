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
    // Shows a notification through the freedesktop Notifications service, without waiting:
    // the service is asked what it shows (a body with markup gets its text escaped), then
    // told. Without a session bus, or with a service that is missing, silent or answers
    // nonsense, nothing shows, and that is no error; settled() comes within about a second
    // in every case.
    void notify(const QString& summary, const QString& body, bool critical);
    // A notification is on its way to the service.
    bool pending() const { return pending_; }

    // How long the service may take over each of its two answers.
    static constexpr int kAnswerMs = 400;

  signals:
    // The user chose the notification's default action.
    void activated();
    // The notification was delivered, refused or given up.
    void settled();

  private slots:
    void onActionInvoked(uint id, const QString& action);

  private:
    void send(const QString& summary, const QString& body, bool critical, bool markup);
    void settle();
    uint id_ = 0;
    bool pending_ = false;
};

// Text for a notification body that the server reads as markup: "&", "<" and ">" escaped, so
// that a file named "<b>x & y.wav" shows as it is named.
QString escapedForMarkup(const QString& text);

} // namespace wl
