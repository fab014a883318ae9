// SPDX-License-Identifier: GPL-3.0-or-later
#include "notifier.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QVariantMap>

namespace wl {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

} // namespace

// The bus is reached only when a job ends: a job window starts without it.
Notifier::Notifier() = default;

void Notifier::notify(const QString& summary, const QString& body, bool critical) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusInterface service(kService, kPath, kService, bus);
    if (!service.isValid())
        return;
    service.setTimeout(3000);
    const QVariantMap hints{{"desktop-entry", QStringLiteral("wavelathe")},
                            {"urgency", QVariant::fromValue<uchar>(critical ? 2 : 1)}};
    const QDBusReply<uint> reply =
        service.call("Notify", QStringLiteral("Wavelathe"), uint(0), QStringLiteral("wavelathe"),
                     summary, body, QStringList{"default", "Show"}, hints, -1);
    if (!reply.isValid())
        return;
    id_ = reply.value();
    // QtDBus connects bus signals by signature string only.
    bus.connect(kService, kPath, kService, "ActionInvoked", this,
                SLOT(onActionInvoked(uint, QString)));
}

void Notifier::onActionInvoked(uint id, const QString& action) {
    if (id_ != 0 && id == id_ && action == "default")
        emit activated();
}

} // namespace wl
