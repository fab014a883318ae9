// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktopjob.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <unistd.h>

namespace wl {
namespace {

// Each running job window holds one name under this prefix, so that every one can count them.
const QString kJobNamePrefix = QStringLiteral("org.wavelathe.Job.");
const QString kLauncherUri = QStringLiteral("application://wavelathe.desktop");
const QString kBusService = QStringLiteral("org.freedesktop.DBus");
const QString kBusPath = QStringLiteral("/org/freedesktop/DBus");
const QString kJobServer = QStringLiteral("org.kde.JobViewServer");
const QString kJobView = QStringLiteral("org.kde.JobViewV3");
constexpr int kKillable = 1;
// How long Plasma's job server and the bus may take over an answer that nothing waits for.
constexpr int kAnswerMs = 2000;
// What Plasma's job view takes as "the job was killed" and "the job failed".
constexpr uint kKilledError = 1;
constexpr uint kFailedError = 100;

} // namespace

DesktopJob::~DesktopJob() {
    if (state_ == State::Running)
        end(Outcome::Stopped, QString());
    dismiss();
}

bool DesktopJob::begin() {
    if (state_ != State::Idle)
        return state_ == State::Running;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) {
        state_ = State::NoBus;
        return false;
    }
    state_ = State::Running;
    bus.connect(kBusService, kBusPath, kBusService, "NameOwnerChanged", this,
                SLOT(onNameOwnerChanged(QString, QString, QString)));
    ownName_ = kJobNamePrefix + "p" + QString::number(getpid());
    bus.registerService(ownName_);
    // The other job windows, counted without waiting: this one until the bus has answered.
    running_ = 1;
    const QDBusMessage list =
        QDBusMessage::createMethodCall(kBusService, kBusPath, kBusService, "ListNames");
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(list, kAnswerMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QStringList> names = *w;
        if (names.isError() || state_ != State::Running)
            return;
        int running = 0;
        for (const QString& name : names.value())
            running += name.startsWith(kJobNamePrefix);
        running_ = std::max(running, 1);
        sendLauncher({{"count", qint64(running_)}, {"count-visible", true}});
    });
    return true;
}

void DesktopJob::progress(const QString& title, int permille, const QString& file) {
    if (!begin())
        return;
    const int percent = permille < 0 ? 0 : permille / 10;
    if (title_.isEmpty() && !title.isEmpty())
        requestView(title);
    if (percent == percent_ && title == title_ && file == file_)
        return;
    const bool changedTitle = title != title_, changedFile = file != file_;
    percent_ = percent;
    title_ = title;
    file_ = file;
    sendLauncher({{"progress", percent / 100.0},
                  {"progress-visible", true},
                  {"count", qint64(running_)},
                  {"count-visible", true}});
    QVariantMap view{{"percent", uint(percent)}};
    if (changedTitle)
        view.insert("title", title);
    if (changedFile) {
        view.insert("descriptionLabel1", QStringLiteral("File"));
        view.insert("descriptionValue1", file);
    }
    callView("update", {view});
}

void DesktopJob::end(Outcome outcome, const QString& message) {
    if (state_ != State::Running)
        return;
    state_ = State::Ended;
    running_ = std::max(0, running_ - 1);
    urgent_ = outcome == Outcome::Failed;
    // Another job window goes on showing its own progress on the icon.
    if (running_ > 0)
        sendLauncher({{"count", qint64(running_)}, {"count-visible", true}, {"urgent", urgent_}});
    else
        sendLauncher({{"progress", 0.0},
                      {"progress-visible", false},
                      {"count", qint64(0)},
                      {"count-visible", false},
                      {"urgent", urgent_}});
    endError_ = outcome == Outcome::Done      ? 0
                : outcome == Outcome::Stopped ? kKilledError
                                              : kFailedError;
    callView("terminate", {endError_, endError_ ? message : QString(), QVariantMap()});
    // A call that waits for its answer: what was sent before it has reached the bus when the
    // window closes and the program ends.
    QDBusConnection::sessionBus().unregisterService(ownName_);
}

void DesktopJob::dismiss() {
    if (!urgent_)
        return;
    urgent_ = false;
    sendLauncher({{"urgent", false}});
}

void DesktopJob::onNameOwnerChanged(const QString& name, const QString& oldOwner,
                                    const QString& newOwner) {
    if (state_ != State::Running || !name.startsWith(kJobNamePrefix) || name == ownName_)
        return;
    if (oldOwner.isEmpty() && !newOwner.isEmpty())
        ++running_;
    else if (!oldOwner.isEmpty() && newOwner.isEmpty())
        running_ = std::max(1, running_ - 1);
    else
        return;
    sendLauncher({{"count", qint64(running_)}, {"count-visible", true}});
}

void DesktopJob::onCancelRequested() {
    if (state_ == State::Running)
        emit stopRequested();
}

void DesktopJob::requestView(const QString& title) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    // Without Plasma's job server the bus answers at once that there is none.
    QDBusMessage call = QDBusMessage::createMethodCall(kJobServer, "/JobViewServer",
                                                       "org.kde.JobViewServerV2", "requestView");
    call << QStringLiteral("wavelathe") << kKillable
         << QVariantMap{{"title", title}, {"immediate", true}};
    call.setAutoStartService(false);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kAnswerMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        if (reply.isError() || reply.value().path().isEmpty())
            return;
        viewPath_ = reply.value().path();
        QDBusConnection::sessionBus().connect(kJobServer, viewPath_, kJobView, "cancelRequested",
                                              this, SLOT(onCancelRequested()));
        // What happened while the view was on its way.
        callView("update", {QVariantMap{{"percent", uint(std::max(0, percent_))},
                                        {"descriptionLabel1", QStringLiteral("File")},
                                        {"descriptionValue1", file_}}});
        if (state_ == State::Ended)
            callView("terminate", {endError_, QString(), QVariantMap()});
    });
}

void DesktopJob::sendLauncher(const QVariantMap& properties) {
    QDBusMessage signal = QDBusMessage::createSignal("/org/wavelathe/Job",
                                                     "com.canonical.Unity.LauncherEntry", "Update");
    signal << kLauncherUri << properties;
    QDBusConnection::sessionBus().send(signal);
}

void DesktopJob::callView(const QString& method, const QVariantList& arguments) {
    if (viewPath_.isEmpty())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(kJobServer, viewPath_, kJobView, method);
    call.setArguments(arguments);
    call.setAutoStartService(false);
    QDBusConnection::sessionBus().asyncCall(call, kAnswerMs);
}

} // namespace wl
