// SPDX-License-Identifier: GPL-3.0-or-later
#include "notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace wl {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

QDBusMessage methodCall(const QString& method) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, method);
    call.setAutoStartService(true);
    return call;
}

} // namespace

QString escapedForMarkup(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        out += c == '&'   ? QStringLiteral("&amp;")
               : c == '<' ? QStringLiteral("&lt;")
               : c == '>' ? QStringLiteral("&gt;")
                          : QString(c);
    return out;
}

// The bus is reached only when a job ends: a job window starts without it.
Notifier::Notifier() = default;

void Notifier::notify(const QString& summary, const QString& body, bool critical) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    pending_ = true;
    // No introspection: plain asynchronous calls, each with a short limit.
    auto* watcher =
        new QDBusPendingCallWatcher(bus.asyncCall(methodCall("GetCapabilities"), kAnswerMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, summary, body, critical](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const QDBusPendingReply<QStringList> reply = *w;
                const bool markup = reply.isValid() && reply.value().contains("body-markup");
                send(summary, body, critical, markup);
            });
}

void Notifier::send(const QString& summary, const QString& body, bool critical, bool markup) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QVariantMap hints{{"desktop-entry", QStringLiteral("wavelathe")},
                            {"urgency", QVariant::fromValue<uchar>(critical ? 2 : 1)}};
    QDBusMessage call = methodCall("Notify");
    call << QStringLiteral("Wavelathe") << uint(0) << QStringLiteral("wavelathe") << summary
         << (markup ? escapedForMarkup(body) : body) << QStringList{"default", "Show"} << hints
         << -1;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kAnswerMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isValid() && reply.value() != 0) {
            id_ = reply.value();
            // QtDBus connects bus signals by signature string only.
            QDBusConnection::sessionBus().connect(kService, kPath, kService, "ActionInvoked", this,
                                                  SLOT(onActionInvoked(uint, QString)));
        }
        settle();
    });
}

void Notifier::settle() {
    pending_ = false;
    emit settled();
}

void Notifier::onActionInvoked(uint id, const QString& action) {
    if (id_ != 0 && id == id_ && action == "default")
        emit activated();
}

} // namespace wl
